// SPDX-License-Identifier: GPL-3.0-or-later
// The console's Qt window on Qt's offscreen platform: the real timers behind the model's, with
// their intervals and running states, switched by the video buttons as the operator presses them.
#include "app/qt_window_views.h"
#include "support/site_test.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ride {
namespace {

QWidget* topLevel(const char* name)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QString::fromUtf8(name)) {
            return widget;
        }
    }
    return nullptr;
}

// The console on screen, made by the program's own views.
class ConsoleView : public testing::SiteTest {
protected:
    ConsoleView() : testing::SiteTest({.views = &views}) {}

    QTimer* timer(const char* name) const { return view->findChild<QTimer*>(QString::fromUtf8(name)); }

    void press(const char* name) const
    {
        auto* button = view->findChild<QPushButton*>(QString::fromUtf8(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }

    static QtWindowViews views;
    QWidget* view = topLevel("Form1");
};

QtWindowViews ConsoleView::views;

TEST_F(ConsoleView, QtTimersRunWithTheDesignIntervalsAndFollowTheVideoChoice)
{
    const struct {
        const char* name;
        int intervalMs;
    } design[] = {{"Timer2", 30}, {"Timer1", 1000}, {"TMR判断是否是人操作的", 80}};
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->findChildren<QTimer*>().size(), 3) << "one Qt timer for each of the console's timers";
    auto running = [&] {
        std::vector<bool> states;
        for (const auto& t : design) {
            const QTimer* qt = timer(t.name);
            states.push_back(qt && qt->isActive());
        }
        return states;
    };
    for (const auto& t : design) {
        const QTimer* qt = timer(t.name);
        ASSERT_NE(qt, nullptr) << t.name;
        EXPECT_EQ(qt->interval(), t.intervalMs) << t.name;
        EXPECT_FALSE(qt->isSingleShot()) << t.name;
    }
    EXPECT_EQ(running(), (std::vector<bool>{true, true, true})) << "at start";

    press("Command2(1)"); // 无人播放视频
    EXPECT_EQ(running(), (std::vector<bool>{true, false, true})) << "after the nobody-present button";
    press("Command2(0)"); // 来人播放视频
    EXPECT_EQ(running(), (std::vector<bool>{true, true, true})) << "after the person-present button";
    EXPECT_EQ(timer("Timer1")->interval(), 1000);
}

} // namespace
} // namespace ride
