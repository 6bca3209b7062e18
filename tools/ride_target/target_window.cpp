// SPDX-License-Identifier: GPL-3.0-or-later
#include "ride_target/target_window.h"

#include "common/clock_text.h"
#include "ride_target/key_text.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>

#include <cstdio>

namespace ride::target {
namespace {

constexpr int kPointerPollMs = 20;
constexpr int kFocusRetryMs = 200;
// Without --keep-focus the window only insists until it first has the focus, for so long.
constexpr int kFocusAttempts = 50;
constexpr std::size_t kKeysKept = 200;
constexpr int kListWidth = 240;

} // namespace

TargetWindow::TargetWindow(TargetSettings settings) : settings_(settings)
{
    setWindowTitle(QStringLiteral("ride-target"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 200);

    pointerTimer_.setInterval(kPointerPollMs);
    connect(&pointerTimer_, &QTimer::timeout, this, [this] { pollPointer(); });
    pointerTimer_.start();

    focusTimer_.setInterval(kFocusRetryMs);
    connect(&focusTimer_, &QTimer::timeout, this, [this] { claimFocus(); });
}

void TargetWindow::print(const QString& line)
{
    std::printf("%s %s\n", tools::clockNow().c_str(), line.toUtf8().constData());
    std::fflush(stdout);
}

void TargetWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    focusAttempts_ = 0;
    focusTimer_.start();
    QTimer::singleShot(0, this, [this] { claimFocus(); });
}

void TargetWindow::claimFocus()
{
    const bool held = x11Focus_.available() ? x11Focus_.holds(winId()) : isActiveWindow();
    if (!held) {
        activateWindow();
        setFocus(Qt::OtherFocusReason);
        x11Focus_.take(winId());
    }
    ++focusAttempts_;
    if (!settings_.keepFocus && (held || focusAttempts_ >= kFocusAttempts)) {
        focusTimer_.stop();
    }
}

void TargetWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() != active_) {
        active_ = isActiveWindow();
        print(active_ ? QStringLiteral("focus gained") : QStringLiteral("focus lost"));
        if (active_) {
            setFocus(Qt::ActiveWindowFocusReason);
        } else if (settings_.keepFocus) {
            // Give the other window's own activation a moment before taking the focus back.
            focusTimer_.start();
        }
        update();
    }
}

void TargetWindow::keyPressEvent(QKeyEvent* event)
{
    if (settings_.quitOnEscape && event->key() == Qt::Key_Escape) {
        print(QStringLiteral("Escape pressed: closing"));
        close();
        return;
    }
    const QString name = describeKey(event->key(), event->modifiers(), event->text());
    if (name.isEmpty()) {
        return;
    }
    const QString time = QString::fromStdString(tools::clockNow());
    print(QStringLiteral("key ") + name);
    keys_.push_front({time, name});
    if (keys_.size() > kKeysKept) {
        keys_.pop_back();
    }
    ++keyCount_;
    update();
}

void TargetWindow::pollPointer()
{
    const QPoint global = QCursor::pos();
    if (global != pointer_) {
        pointer_ = global;
        update();
    }
}

void TargetWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(24, 32, 40));
    const QRect field(0, 0, width() - kListWidth, height());
    const QRect list(field.right() + 1, 0, kListWidth, height());
    p.fillRect(list, QColor(36, 46, 56));

    QFont font = p.font();
    font.setPointSize(11);
    p.setFont(font);
    const int line = p.fontMetrics().height();

    p.setPen(QColor(200, 210, 220));
    p.drawText(
        field.adjusted(10, 8, -10, 0), Qt::AlignLeft | Qt::AlignTop,
        QStringLiteral("ride-target: stands in for the roaming program\n") +
            (active_ ? QStringLiteral("has the keyboard focus") : QStringLiteral("does NOT have the keyboard focus")) +
            (settings_.quitOnEscape ? QStringLiteral("; Esc closes it") : QString()));

    const QPoint local = mapFromGlobal(pointer_);
    if (field.contains(local)) {
        p.setPen(QPen(QColor(90, 60, 60), 1));
        p.drawLine(field.left(), local.y(), field.right(), local.y());
        p.drawLine(local.x(), field.top(), local.x(), field.bottom());
        p.setPen(QPen(QColor(255, 70, 60), 3));
        p.drawLine(local.x() - 18, local.y(), local.x() + 18, local.y());
        p.drawLine(local.x(), local.y() - 18, local.x(), local.y() + 18);
        p.drawEllipse(local, 10, 10);
        p.setPen(QColor(255, 200, 190));
        p.drawText(local + QPoint(14, -8), QStringLiteral("%1, %2").arg(pointer_.x()).arg(pointer_.y()));
    } else {
        p.setPen(QColor(160, 170, 180));
        p.drawText(field.adjusted(10, 0, -10, -8), Qt::AlignLeft | Qt::AlignBottom,
                   QStringLiteral("pointer outside this window, at %1, %2").arg(pointer_.x()).arg(pointer_.y()));
    }

    p.setPen(QColor(230, 235, 240));
    p.drawText(list.adjusted(10, 8, -10, 0), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("keys received: %1").arg(keyCount_));
    int y = 8 + 2 * line;
    for (const auto& key : keys_) {
        if (y + line > list.height()) {
            break;
        }
        p.setPen(QColor(150, 160, 170));
        p.drawText(list.left() + 10, y, 110, line, Qt::AlignLeft | Qt::AlignVCenter, key.time);
        p.setPen(QColor(255, 230, 120));
        p.drawText(list.left() + 124, y, kListWidth - 134, line, Qt::AlignLeft | Qt::AlignVCenter, key.name);
        y += line;
    }
}

} // namespace ride::target
