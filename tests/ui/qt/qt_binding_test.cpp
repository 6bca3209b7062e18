// The Qt view bound to the model, on Qt's offscreen platform: the operator's typing runs the
// same change handling as the program's assignments, and model changes reach the widgets.
#include "ui/qt/qt_binding.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

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
    model.setText(u"abc");
    EXPECT_EQ(edit.toPlainText(), "abc");
    model.setText(u"abcdef");
    EXPECT_EQ(edit.toPlainText(), "");
    EXPECT_EQ(model.text(), u"");
    EXPECT_EQ(changes, 3);
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
}

} // namespace
} // namespace ride

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
