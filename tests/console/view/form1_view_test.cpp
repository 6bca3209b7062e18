// The console's Qt window on Qt's offscreen platform: the real timers behind the model's, with
// their intervals and running states, switched by the video buttons as the operator presses them.
#include "console/view/form1_view.h"

#include "console/form1.h"
#include "input/recording_keystrokes.h"
#include "support/fake_cursor.h"
#include "support/fake_serial_line.h"

#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ride {
namespace {

class ConsoleView : public ::testing::Test {
protected:
    ConsoleView()
    {
        ConsoleServices services;
        services.settingsFile = "/nonexistent/配置.ini";
        services.serial = &serial;
        services.cursor = &cursor;
        services.keys = &keys;
        form = std::make_unique<Form1>(services);
        view = std::make_unique<Form1View>(*form);
        form->load();
    }

    QTimer* timer(const char* name) const { return view->findChild<QTimer*>(QString::fromUtf8(name)); }

    void press(const char* name) const
    {
        auto* button = view->findChild<QPushButton*>(QString::fromUtf8(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }

    testing::FakeSerialLine serial;
    testing::FakeCursor cursor;
    RecordingKeystrokes keys;
    std::unique_ptr<Form1> form;
    std::unique_ptr<Form1View> view;
};

TEST_F(ConsoleView, QtTimersRunWithTheDesignIntervalsAndFollowTheVideoChoice)
{
    const struct {
        const char* name;
        int intervalMs;
    } design[] = {{"Timer2", 30}, {"Timer1", 1000}, {"TMR判断是否是人操作的", 80}};
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
