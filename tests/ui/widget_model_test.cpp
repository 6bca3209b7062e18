// SPDX-License-Identifier: GPL-3.0-or-later
// The observable widget model: change handling only on a real change, nested runs, and timers
// whose handler never overlaps itself.
#include "base/step_runner.h"
#include "ui/combo_box.h"
#include "ui/form_window.h"
#include "ui/label.h"
#include "ui/text_box.h"
#include "ui/timer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace ride {
namespace {

TEST(TextBoxModel, ChangeHandlingRunsOnlyWhenTheTextChanges)
{
    TextBox box("Text1", u"B");
    int changes = 0;
    box.onChange([&] { ++changes; });
    box.setText(u"B");
    EXPECT_EQ(changes, 0);
    box.setText(u"A");
    box.setText(u"A");
    EXPECT_EQ(changes, 1);
    box.setText(u"");
    EXPECT_EQ(changes, 2);
}

TEST(TextBoxModel, HandlerThatEmptiesItsOwnBoxRunsOnceMoreNested)
{
    TextBox box("Text3");
    std::vector<Text> seen;
    box.onChange([&] {
        seen.push_back(box.text());
        if (!box.text().empty()) {
            box.setText(u"");
            seen.push_back(u"after:" + box.text());
        }
    });
    box.setText(u"0");
    EXPECT_EQ(seen, (std::vector<Text>{u"0", u"", u"after:"}));
}

TEST(TextBoxModel, ViewSeesTheNewTextBeforeTheChangeHandling)
{
    TextBox box("Text4");
    std::vector<std::string> order;
    box.onChange([&] { order.push_back("handler"); });
    box.onViewUpdate([&] { order.push_back("view"); });
    box.setText(u"x");
    EXPECT_EQ(order, (std::vector<std::string>{"view", "handler"}));
}

TEST(ComboBoxModel, ChosenEntryBecomesTheTextWithoutChangeHandling)
{
    ComboBox box("TxtTcpTx(0)");
    box.addItem(u"a");
    box.addItem(u"b");
    int changes = 0;
    int viewUpdates = 0;
    box.onChange([&] { ++changes; });
    box.onViewUpdate([&] { ++viewUpdates; });
    box.chooseItem(1);
    EXPECT_EQ(box.text(), u"b");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(viewUpdates, 1);
    box.chooseItem(2);
    EXPECT_EQ(box.text(), u"b") << "past the end chooses nothing";
    box.setText(u"b");
    EXPECT_EQ(changes, 0) << "the chosen text is the box's text";
    box.setText(u"a");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(box.items(), (std::deque<Text>{u"a", u"b"}));
}

TEST(LabelModel, CaptionNotifiesOnChangeTagAndColourDoNot)
{
    Label label("LBLTcpState(0)", u"0");
    int changes = 0;
    int viewUpdates = 0;
    label.onChange([&] { ++changes; });
    label.onViewUpdate([&] { ++viewUpdates; });
    label.setCaption(u"0");
    label.setTag(u"99990");
    label.setForeColor(rgb(255, 0, 0));
    label.setForeColor(rgb(255, 0, 0));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(viewUpdates, 1);
    label.setCaption(u"7");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(label.tag(), u"99990");
    EXPECT_EQ(label.foreColor(), 0x0000FFu);
    EXPECT_EQ(rgb(0, 255, 0), 0x00FF00u);
}

TEST(TimerModel, DisabledTimerDoesNotTick)
{
    Timer timer("Timer1", 1000, false);
    int ticks = 0;
    timer.onTick([&] { ++ticks; });
    EXPECT_FALSE(timer.tick());
    timer.setEnabled(true);
    EXPECT_TRUE(timer.tick());
    EXPECT_EQ(ticks, 1);
}

TEST(TimerModel, TickDueWhileTheHandlerRunsIsSkippedNotNested)
{
    Timer timer("TMRTCPC连接状态判断", 1000);
    int depth = 0;
    int maxDepth = 0;
    int ticks = 0;
    timer.onTick([&] {
        ++ticks;
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        // The handler yields to the event loop, where the same timer comes due again.
        if (ticks == 1) {
            EXPECT_FALSE(timer.tick());
            EXPECT_FALSE(timer.tick());
        }
        --depth;
    });
    EXPECT_TRUE(timer.tick());
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(timer.skippedTicks(), 2);
    EXPECT_TRUE(timer.tick()) << "the guard must be released after the handler";
}

TEST(TimerModel, GuardIsReleasedWhenTheHandlerThrows)
{
    Timer timer("Timer2", 30);
    bool fail = true;
    timer.onTick([&] {
        if (fail) {
            throw std::runtime_error("boom");
        }
    });
    EXPECT_THROW(timer.tick(), std::runtime_error);
    fail = false;
    EXPECT_TRUE(timer.tick());
}

TEST(FormWindowModel, ResizeNotifiesOnlyWhenTheSizeChanges)
{
    FormWindow window("Form4", u"Form4", {0, 0, 100, 100});
    int resizes = 0;
    window.onResize([&] { ++resizes; });
    window.setLeft(15);
    window.setTop(30);
    EXPECT_EQ(resizes, 0);
    window.setWidth(150);
    window.setHeight(150);
    window.setHeight(150);
    EXPECT_EQ(resizes, 2);
}

TEST(StepRunnerTest, FailingStepIsSkippedAndTheLastFailureKept)
{
    StepRunner steps;
    std::vector<int> ran;
    EXPECT_TRUE(steps.run([&] { ran.push_back(1); }));
    EXPECT_FALSE(steps.run([&] { throw std::runtime_error("first"); }));
    EXPECT_FALSE(steps.run([&] { throw std::out_of_range("second"); }));
    EXPECT_TRUE(steps.run([&] { ran.push_back(4); }));
    EXPECT_EQ(ran, (std::vector<int>{1, 4}));
    ASSERT_TRUE(steps.lastFailure());
    EXPECT_EQ(*steps.lastFailure(), "second");
}

} // namespace
} // namespace ride
