// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt view bound to the model, on Qt's offscreen platform: the operator's typing runs the
// same change handling as the program's assignments, and model changes reach the widgets.
#include "ui/qt/qt_binding.h"

#include "base/qt/qt_text.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>

#include <vector>

namespace ride {
namespace {

TEST(QtBinding, TypingRunsTheModelsChangeHandling)
{
    TextBox model("TXTKEY(0)", u"B");
    std::vector<Text> seen;
    model.onChange([&] { seen.push_back(model.text()); });
    QLineEdit edit;
    bindTextBox(model, &edit);
    EXPECT_EQ(edit.objectName(), "TXTKEY(0)");
    EXPECT_EQ(edit.accessibleDescription(), "TXTKEY(0)");
    EXPECT_EQ(edit.text(), "B");

    edit.selectAll();
    QTest::keyClicks(&edit, "A");
    EXPECT_EQ(model.text(), u"A");
    EXPECT_EQ(seen, (std::vector<Text>{u"A"}));
}

TEST(QtBinding, ModelChangesReachTheWidgetWithoutEchoingBack)
{
    TextBox model("Text1");
    int changes = 0;
    model.onChange([&] {
        ++changes;
        if (model.text().size() > 3) {
            model.setText(u""); // a handler that empties its own box, as the decoder does
        }
    });
    QPlainTextEdit edit;
    bindTextBox(model, &edit);
    int shown = 0;
    QObject::connect(&edit, &QPlainTextEdit::textChanged, [&] { ++shown; });
    model.setText(u"abc");
    QCoreApplication::processEvents();
    EXPECT_EQ(edit.toPlainText(), "abc");
    EXPECT_EQ(shown, 1);
    model.setText(u"abcdef");
    EXPECT_EQ(model.text(), u"");
    QCoreApplication::processEvents();
    EXPECT_EQ(edit.toPlainText(), "");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(shown, 2) << "the text the handler took out again never reached the widget";

    // Appended and taken out within one handler, as a whole record: the widget is not touched.
    model.setText(u"abcdefgh");
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, 2);
}

TEST(QtBinding, TextSetOnTheWidgetFromOutsideReachesTheModel)
{
    // An assistive tool sets the text without typing: only textChanged fires.
    TextBox model("Text3");
    QLineEdit edit;
    bindTextBox(model, &edit);
    edit.setText("1");
    EXPECT_EQ(model.text(), u"1");
}

// A combo box whose change handling queues every edit text in its own list, as the send box does.
struct QueueingComboBox {
    explicit QueueingComboBox(std::vector<Text> items = {})
    {
        for (Text& item : items) {
            model.addItem(std::move(item));
        }
        model.onChange([this] {
            seen.push_back(model.text());
            if (!model.text().empty()) {
                model.addItem(model.text());
            }
        });
        bindComboBox(model, &widget);
        widget.show();
        // Focused, as where the operator types (the toolkit completes only in a focused box).
        QApplication::setActiveWindow(&widget);
        widget.setFocus();
    }

    std::vector<QString> shownItems() const
    {
        std::vector<QString> shown;
        for (int i = 0; i < widget.count(); ++i) {
            shown.push_back(widget.itemText(i));
        }
        return shown;
    }
    std::vector<QString> modelItems() const
    {
        std::vector<QString> items;
        for (const Text& item : model.items()) {
            items.push_back(toQString(item));
        }
        return items;
    }
    // Picks entry `row` in the drop-down list with the mouse.
    void pickInPopup(int row)
    {
        widget.showPopup();
        QAbstractItemView* view = widget.view();
        const QModelIndex index = view->model()->index(row, 0);
        view->setCurrentIndex(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }

    ComboBox model{"TxtTcpTx(0)"};
    std::vector<Text> seen;
    QComboBox widget;
};

TEST(QtBinding, ComboBoxListShowsTheModelsListAndNothingElse)
{
    QueueingComboBox box({u"xyz"});
    EXPECT_EQ(box.widget.objectName(), "TxtTcpTx(0)");
    EXPECT_EQ(box.widget.lineEdit()->accessibleDescription(), "TxtTcpTx(0)");

    box.widget.setEditText("");
    QTest::keyClicks(box.widget.lineEdit(), "xy");
    EXPECT_EQ(box.seen, (std::vector<Text>{u"x", u"xy"})) << "one change per keystroke, nothing completed";
    EXPECT_EQ(box.shownItems(), (std::vector<QString>{"xyz", "x", "xy"}));

    // The typed texts have usually left the queue by the time Enter is pressed.
    box.model.removeFirstItem();
    box.model.removeFirstItem();
    box.model.removeFirstItem();
    box.model.addItem(u"z");
    EXPECT_EQ(box.shownItems(), std::vector<QString>{"z"});
    EXPECT_EQ(box.widget.currentText(), "xy") << "list changes leave the edit text alone";
    QTest::keyClick(box.widget.lineEdit(), Qt::Key_Return);
    QTest::keyClick(box.widget.lineEdit(), Qt::Key_Enter);
    EXPECT_EQ(box.shownItems(), std::vector<QString>{"z"}) << "Enter inserts nothing";
    EXPECT_EQ(box.seen.size(), 2u);

    box.model.clearItems();
    EXPECT_EQ(box.widget.count(), 0);
    EXPECT_EQ(box.widget.currentText(), "xy");
    EXPECT_EQ(box.model.text(), u"xy");
    EXPECT_EQ(box.seen.size(), 2u);
}

TEST(QtBinding, ComboBoxEntryChosenFromTheListIsNotTyping)
{
    QueueingComboBox box({u"a", u"b", u"c"});
    const std::vector<QString> list{"a", "b", "c"};
    auto expectChosen = [&](const char* entry, const char* how) {
        EXPECT_EQ(box.widget.currentText(), entry) << how;
        EXPECT_EQ(box.model.text(), fromQString(entry)) << how << ": the model's text is the chosen entry";
        EXPECT_TRUE(box.seen.empty()) << how << ": no change handling";
        EXPECT_EQ(box.shownItems(), list) << how;
        EXPECT_EQ(box.modelItems(), list) << how;
    };

    QTest::keyClick(&box.widget, Qt::Key_Down);
    expectChosen("b", "arrow down");
    QTest::keyClick(&box.widget, Qt::Key_Up);
    expectChosen("a", "arrow up");
    box.pickInPopup(2);
    expectChosen("c", "mouse in the popup");
    QWheelEvent wheel(QPointF(5, 5), box.widget.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&box.widget, &wheel);
    expectChosen("b", "wheel");

    // Typing after a choice is typing again.
    QTest::keyClicks(box.widget.lineEdit(), "!");
    EXPECT_EQ(box.seen, std::vector<Text>{u"b!"});
    box.seen.clear();
    // The queue is sent meanwhile and new texts arrive; the entry that is still the widget's
    // current one is then picked again: the index does not move, and it is a choice all the same.
    while (box.model.itemCount() > 0) {
        box.model.removeFirstItem();
    }
    box.model.addItem(u"h1");
    box.model.addItem(u"h2");
    ASSERT_EQ(box.widget.currentText(), "b!");
    ASSERT_EQ(box.widget.currentIndex(), 0);
    box.pickInPopup(0);
    EXPECT_EQ(box.widget.currentText(), "h1");
    EXPECT_EQ(box.model.text(), u"h1");
    EXPECT_TRUE(box.seen.empty());
    EXPECT_EQ(box.shownItems(), (std::vector<QString>{"h1", "h2"}));

    // Code setting the text raises the change once, and the widget shows it.
    box.model.setText(u"set by code");
    EXPECT_EQ(box.seen, std::vector<Text>{u"set by code"});
    EXPECT_EQ(box.widget.currentText(), "set by code");
}

TEST(QtBinding, ComboBoxTextSetFromOutsideReachesTheModel)
{
    // An assistive tool sets the edit text without typing: only textChanged fires.
    QueueingComboBox box({u"a", u"b"});
    box.widget.lineEdit()->setText("w");
    EXPECT_EQ(box.seen, std::vector<Text>{u"w"});

    // Also when the text is the current entry's, after a popup that closed without a choice.
    box.model.clearItems();
    box.model.addItem(u"p");
    box.model.addItem(u"q");
    ASSERT_EQ(box.widget.itemText(box.widget.currentIndex()), "p");
    box.widget.showPopup();
    box.widget.hidePopup();
    QCoreApplication::processEvents();
    box.widget.lineEdit()->setText("p");
    EXPECT_EQ(box.seen, (std::vector<Text>{u"w", u"p"}));
    EXPECT_EQ(box.shownItems(), box.modelItems());
}

TEST(QtBinding, ComboBoxListChangesKeepTheOperatorsCursor)
{
    ComboBox model("CMB(0)");
    model.addItem(u"x");
    model.addItem(u"y");
    QComboBox widget;
    bindComboBox(model, &widget);
    QLineEdit* edit = widget.lineEdit();
    widget.setEditText("");
    QTest::keyClicks(edit, "hello");
    QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClick(edit, Qt::Key_Left);
    model.removeFirstItem(); // the widget moves its current entry into the edit text
    EXPECT_EQ(widget.currentText(), "hello");
    QTest::keyClicks(edit, "X");
    EXPECT_EQ(model.text(), u"helXlo");
    EXPECT_EQ(widget.currentText(), "helXlo");
}

TEST(QtBinding, LabelShowsCaptionAndColour)
{
    Label model("LblTcpNam(0)", u"通道");
    QLabel label;
    bindLabel(model, &label);
    model.setCaption(u"控制器");
    model.setForeColor(rgb(255, 0, 0));
    EXPECT_EQ(label.text(), "控制器");
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(label.accessibleDescription(), "LblTcpNam(0)");
}

TEST(QtBinding, ButtonClickRunsTheModelsHandlers)
{
    Button model("Command1", u"结束");
    int clicks = 0;
    model.onClick([&] { ++clicks; });
    QPushButton button;
    bindButton(model, &button);
    EXPECT_EQ(button.text(), "结束");
    button.click();
    EXPECT_EQ(clicks, 1);
}

TEST(QtBinding, WindowGeometryIsTwipsOverFifteen)
{
    FormWindow model("Form4", u"Form4", {1500, 750, 12000, 9000});
    QWidget window;
    bindWindow(model, &window);
    EXPECT_EQ(window.pos(), QPoint(100, 50));
    EXPECT_EQ(window.size(), QSize(800, 600));
    EXPECT_EQ(window.windowTitle(), "Form4");
    model.setWidth(0);
    EXPECT_EQ(window.width(), 1) << "an empty window is the smallest one Qt allows";

    // Far beyond any screen, or not a number at all: Qt gets its own limits, never garbage.
    model.setLeft(1e300);
    model.setTop(-1e300);
    EXPECT_EQ(window.pos(), QPoint(QWIDGETSIZE_MAX, -QWIDGETSIZE_MAX));
    model.setLeft(std::nan(""));
    EXPECT_EQ(window.x(), 0);
}

} // namespace
} // namespace ride
