// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/qt_binding.h"

#include "base/qt/qt_text.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <algorithm>
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

// Settings may place a window anywhere a double reaches; Qt takes at most QWIDGETSIZE_MAX pixels
// either way, and a value beyond what an int holds would not even convert.
int toPixels(double twips)
{
    const double pixels = twips / kTwipsPerPixel;
    if (std::isnan(pixels)) {
        return 0;
    }
    const double limit = QWIDGETSIZE_MAX;
    return static_cast<int>(std::lround(std::clamp(pixels, -limit, limit)));
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

// Keeps an editable combo box and its model in step. The list is the model's alone: the widget
// shows every change of it and adds nothing itself (Enter inserts nothing). The edit text reaches
// the model's setText when it is typed, once per keystroke, or set on the widget from outside (an
// assistive tool sets it without typing). An entry chosen from the list (popup, arrow keys, wheel)
// only shows in the model's text: choosing is not typing and runs no change handling.
class ComboBoxBinding : public QObject {
public:
    ComboBoxBinding(ComboBox& model, QComboBox* widget)
        : QObject(widget), model_(model), widget_(widget), popup_(widget->view()->window())
    {
        widget_->setEditable(true);
        widget_->setInsertPolicy(QComboBox::NoInsert);
        // Completing from the list would hand the model an entry instead of what was typed.
        widget_->setCompleter(nullptr);
        nameWidget(widget_, model_.name());
        nameWidget(widget_->lineEdit(), model_.name());
        popup_->installEventFilter(this);

        guard_.run([&] {
            for (const Text& item : model_.items()) {
                widget_->addItem(toQString(item));
            }
            widget_->setEditText(toQString(model_.text()));
        });
        shownIndex_ = widget_->currentIndex();

        model_.onItemsChanged([this](ComboBox::ItemChange change) { showItems(change); });
        model_.onViewUpdate([this] { showText(); });
        QObject::connect(widget_->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
            popupClosing_ = false;
            if (!guard_.active()) {
                model_.setText(fromQString(text));
            }
        });
        // Comes after textEdited for typing, where the model already holds the text.
        QObject::connect(widget_, &QComboBox::editTextChanged, this, [this](const QString& text) {
            if (!guard_.active()) {
                editTextChanged(text);
            }
        });
        QObject::connect(widget_, &QComboBox::currentIndexChanged, this, [this](int index) { shownIndex_ = index; });
        QObject::connect(widget_, &QComboBox::activated, this, [this] { popupClosing_ = false; });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == popup_ && event->type() == QEvent::Hide) {
            // The entry picked in the popup becomes the edit text right after the popup hides,
            // within the same event.
            popupClosing_ = true;
            QTimer::singleShot(0, this, [this] { popupClosing_ = false; });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void editTextChanged(const QString& text)
    {
        if (isListChoice(text)) {
            model_.chooseItem(static_cast<std::size_t>(widget_->currentIndex()));
        } else {
            model_.setText(fromQString(text));
        }
    }

    // The widget moves its current index before it shows the chosen entry, and reports the new
    // index after; an entry picked again in the popup moves no index, but the popup just closed.
    bool isListChoice(const QString& text) const
    {
        const int index = widget_->currentIndex();
        if (index < 0 || widget_->itemText(index) != text) {
            return false;
        }
        return index != shownIndex_ || popupClosing_;
    }

    void showItems(ComboBox::ItemChange change)
    {
        // The widget moves its current entry into the edit text when the list changes under it;
        // the edit text is the model's, so it is put back, with the cursor where the operator
        // left it.
        QLineEdit* edit = widget_->lineEdit();
        const QString text = edit->text();
        const int cursor = edit->cursorPosition();
        const int selectionStart = edit->selectionStart();
        const int selectionLength = edit->selectionLength();
        guard_.run([&] {
            switch (change) {
            case ComboBox::ItemChange::Appended: widget_->addItem(toQString(model_.items().back())); break;
            case ComboBox::ItemChange::FirstRemoved: widget_->removeItem(0); break;
            case ComboBox::ItemChange::Cleared: widget_->clear(); break;
            }
            if (edit->text() != text) {
                widget_->setEditText(text);
                if (selectionLength > 0) {
                    const bool cursorAtStart = cursor == selectionStart;
                    edit->setSelection(cursorAtStart ? selectionStart + selectionLength : selectionStart,
                                       cursorAtStart ? -selectionLength : selectionLength);
                } else {
                    edit->setCursorPosition(cursor);
                }
            }
        });
        shownIndex_ = widget_->currentIndex();
    }

    void showText()
    {
        const QString text = toQString(model_.text());
        if (widget_->currentText() != text) {
            guard_.run([&] { widget_->setEditText(text); });
        }
    }

    ComboBox& model_;
    QComboBox* widget_;
    QWidget* popup_;
    WriteGuard guard_;
    // The current index the widget last reported.
    int shownIndex_ = -1;
    bool popupClosing_ = false;
};

} // namespace

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
    // Every record is appended to the receive box and taken out of it within one handler: shown
    // at once, each would lay out the box twice and repaint it for nothing. The widget catches up
    // once the handler is done, when the event loop next runs, and only if the text has changed.
    auto due = std::make_shared<bool>(false);
    model.onViewUpdate([&model, widget, guard, due] {
        if (*due) {
            return;
        }
        *due = true;
        QTimer::singleShot(0, widget, [&model, widget, guard, due] {
            *due = false;
            const QString text = toQString(model.text());
            if (widget->toPlainText() != text) {
                guard.run([&] {
                    widget->setPlainText(text);
                    widget->moveCursor(QTextCursor::End);
                });
            }
        });
    });
    QObject::connect(widget, &QPlainTextEdit::textChanged, widget, [&model, widget, guard] {
        if (!guard.active()) {
            model.setText(fromQString(widget->toPlainText()));
        }
    });
}

void bindComboBox(ComboBox& model, QComboBox* widget)
{
    new ComboBoxBinding(model, widget);
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
