#include "ui/qt/qt_binding.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <memory>

namespace ride {
namespace {

void nameWidget(QWidget* widget, const std::string& name)
{
    widget->setObjectName(QString::fromStdString(name));
    widget->setAccessibleDescription(QString::fromStdString(name));
}

// Set while the model writes into a widget, so that the widget's own change signal is not fed
// back into the model as if the operator had typed it.
struct WriteGuard {
    std::shared_ptr<int> depth = std::make_shared<int>(0);
    bool active() const { return *depth > 0; }
    template <class F>
    void run(F&& f) const
    {
        ++*depth;
        f();
        --*depth;
    }
};

QColor toQColor(Color color, const QWidget* widget)
{
    if (color & 0x80000000u) {
        const QPalette& palette = widget->palette();
        return (color & 0xFF) == 0x0F ? palette.color(QPalette::Button) : QPalette().color(QPalette::WindowText);
    }
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

int toPixels(double twips)
{
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

// Reports moves and resizes done by the window manager or the operator back to the model.
class WindowGeometryWatcher : public QObject {
public:
    WindowGeometryWatcher(FormWindow& model, QWidget* window, WriteGuard guard)
        : QObject(window), model_(model), window_(window), guard_(std::move(guard))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && !guard_.active() &&
            (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
            TwipsRect g = model_.geometry();
            // Keep the model's exact twips unless the window really moved or changed size.
            if (toPixels(g.left) != window_->x()) {
                g.left = window_->x() * kTwipsPerPixel;
            }
            if (toPixels(g.top) != window_->y()) {
                g.top = window_->y() * kTwipsPerPixel;
            }
            if (toPixels(g.width) != window_->width()) {
                g.width = window_->width() * kTwipsPerPixel;
            }
            if (toPixels(g.height) != window_->height()) {
                g.height = window_->height() * kTwipsPerPixel;
            }
            model_.reportGeometry(g);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    FormWindow& model_;
    QWidget* window_;
    WriteGuard guard_;
};

} // namespace

QString toQString(TextView text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

Text fromQString(const QString& text)
{
    return text.toStdU16String();
}

void bindTextBox(TextBox& model, QLineEdit* widget)
{
    nameWidget(widget, model.name());
    WriteGuard guard;
    widget->setText(toQString(model.text()));
    model.onViewUpdate([&model, widget, guard] {
        const QString text = toQString(model.text());
        if (widget->text() != text) {
            guard.run([&] { widget->setText(text); });
        }
    });
    QObject::connect(widget, &QLineEdit::textChanged, widget, [&model, guard](const QString& text) {
        if (!guard.active()) {
            model.setText(fromQString(text));
        }
    });
}

void bindTextBox(TextBox& model, QPlainTextEdit* widget)
{
    nameWidget(widget, model.name());
    WriteGuard guard;
    widget->setPlainText(toQString(model.text()));
    model.onViewUpdate([&model, widget, guard] {
        const QString text = toQString(model.text());
        if (widget->toPlainText() != text) {
            guard.run([&] {
                widget->setPlainText(text);
                widget->moveCursor(QTextCursor::End);
            });
        }
    });
    QObject::connect(widget, &QPlainTextEdit::textChanged, widget, [&model, widget, guard] {
        if (!guard.active()) {
            model.setText(fromQString(widget->toPlainText()));
        }
    });
}

void bindComboBox(ComboBox& model, QComboBox* widget)
{
    widget->setEditable(true);
    nameWidget(widget, model.name());
    if (widget->lineEdit()) {
        nameWidget(widget->lineEdit(), model.name());
    }
    WriteGuard guard;
    guard.run([&] {
        for (const Text& item : model.items()) {
            widget->addItem(toQString(item));
        }
        widget->setEditText(toQString(model.text()));
    });
    model.onItemsChanged([&model, widget, guard](ComboBox::ItemChange change) {
        // Changing the list must not touch the edit text, which the logic owns.
        guard.run([&] {
            const QString edit = widget->currentText();
            switch (change) {
            case ComboBox::ItemChange::Appended: widget->addItem(toQString(model.items().back())); break;
            case ComboBox::ItemChange::FirstRemoved: widget->removeItem(0); break;
            case ComboBox::ItemChange::Cleared: widget->clear(); break;
            }
            if (widget->currentText() != edit) {
                widget->setEditText(edit);
            }
        });
    });
    model.onViewUpdate([&model, widget, guard] {
        const QString text = toQString(model.text());
        if (widget->currentText() != text) {
            guard.run([&] { widget->setEditText(text); });
        }
    });
    QObject::connect(widget, &QComboBox::editTextChanged, widget, [&model, guard](const QString& text) {
        if (!guard.active()) {
            model.setText(fromQString(text));
        }
    });
}

void bindLabel(Label& model, QLabel* widget)
{
    // The accessible name of a label is its live text; its model name goes into the description.
    nameWidget(widget, model.name());
    auto update = [&model, widget] {
        widget->setText(toQString(model.caption()));
        QPalette palette = widget->palette();
        palette.setColor(QPalette::WindowText, toQColor(model.foreColor(), widget));
        widget->setPalette(palette);
    };
    update();
    model.onViewUpdate(update);
}

void bindButton(const Button& model, QPushButton* widget)
{
    widget->setObjectName(QString::fromStdString(model.name()));
    widget->setAccessibleDescription(QString::fromStdString(model.name()));
    widget->setText(toQString(model.caption()));
    QObject::connect(widget, &QPushButton::clicked, widget, [&model] { model.click(); });
}

void bindListBox(ListBox& model, QListWidget* widget)
{
    nameWidget(widget, model.name());
    for (const Text& item : model.items()) {
        widget->addItem(toQString(item));
    }
    model.onItemAdded([&model, widget] {
        widget->addItem(toQString(model.items().back()));
        widget->scrollToBottom();
    });
}

QTimer* bindTimer(Timer& model, QObject* parent)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromStdString(model.name()));
    // Short intervals need the precise timer; the coarse one may stretch 30 ms by 5 %.
    auto apply = [&model, timer] {
        timer->setTimerType(model.intervalMs() < 100 ? Qt::PreciseTimer : Qt::CoarseTimer);
        timer->setInterval(model.intervalMs());
        if (model.enabled() && !model.dormant()) {
            timer->start();
        } else {
            timer->stop();
        }
    };
    apply();
    model.onSettingsChanged(apply);
    QObject::connect(timer, &QTimer::timeout, timer, [&model] { model.tick(); });
    return timer;
}

void bindWindow(FormWindow& model, QWidget* window)
{
    window->setObjectName(QString::fromStdString(model.name()));
    window->setAccessibleDescription(QString::fromStdString(model.name()));
    window->setWindowTitle(toQString(model.caption()));
    WriteGuard guard;
    auto apply = [&model, window, guard] {
        guard.run([&] {
            const TwipsRect& g = model.geometry();
            window->move(toPixels(g.left), toPixels(g.top));
            // Qt refuses an empty window; one pixel is the smallest it can be.
            window->resize(std::max(1, toPixels(g.width)), std::max(1, toPixels(g.height)));
            window->setVisible(model.visible());
        });
    };
    apply();
    model.onViewUpdate(apply);
    window->installEventFilter(new WindowGeometryWatcher(model, window, guard));
}

} // namespace ride
