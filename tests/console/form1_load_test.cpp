// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the ride console against real settings files, with a fake serial line.
#include "settings/profile_file.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace ride {
namespace {

class ConsoleLoad : public ::testing::Test {
protected:
    std::filesystem::path ini() const { return dir / "配置.ini"; }
    void set(TextView section, TextView key, TextView value) { ASSERT_TRUE(WriteIni(ini(), section, key, value)); }

    // A fresh installation on the settings written so far; `prepare` runs before its console loads.
    // The player window's existence is noted at each change of the console window.
    Form1& load(const std::function<void(testing::TestSite&)>& prepare = {})
    {
        testing::SiteOptions options;
        options.settingsFile = ini();
        options.start = false;
        sites.push_back(std::make_unique<testing::TestSite>(options));
        testing::TestSite& site = *sites.back();
        site.console().window.onViewUpdate([this, &site] {
            events.push_back(site.installation->playerIfLoaded() ? "window, player loaded" : "window");
        });
        if (prepare) {
            prepare(site);
        }
        site.start();
        return site.console();
    }
    testing::TestSite& site() { return *sites.back(); }
    testing::FakeSerialLine& serial() { return site().serial(); }

    testing::TempDir dir;
    std::vector<std::unique_ptr<testing::TestSite>> sites;
    std::vector<std::string> events;
};

TEST_F(ConsoleLoad, WithoutSettingsFileEverythingTakesItsDefault)
{
    Form1* form = &load();
    EXPECT_EQ(form->window.geometry().left, 0);
    EXPECT_EQ(form->window.geometry().top, 0);
    EXPECT_DOUBLE_EQ(form->speedCoefficient(), 7.2);
    EXPECT_EQ(form->Label5.caption(), u"速度系数：7.2");
    EXPECT_EQ(form->Label4.caption(), u"鼠标X坐标=");
    EXPECT_EQ(form->xTravel(), 1024);
    EXPECT_EQ(form->yTravel(), 768);
    EXPECT_EQ(form->Label7.caption(), u"鼠标X方向移动宽度:1024");
    EXPECT_EQ(form->Label8.caption(), u"I鼠标Y方向移动高度:768");
    EXPECT_EQ(form->label1(2).caption(), u"");
    EXPECT_TRUE(form->window.visible());
    // The empty settings text is rejected, so the line keeps 9600 8N1; no port is named.
    EXPECT_EQ(serial().settings, SerialSettings{});
    EXPECT_EQ(serial().portNumber, 0);
    EXPECT_FALSE(serial().isOpen());
}

TEST_F(ConsoleLoad, InitialWidgetTextsAreThoseOfTheDesign)
{
    testing::TestSite unloaded({.start = false});
    Form1& form = unloaded.console();
    EXPECT_EQ(form.window.caption(), u"Rovika支持鼠标和键盘171013A");
    EXPECT_EQ(form.window.geometry().width, 12330);
    EXPECT_EQ(form.window.geometry().height, 5370);
    const std::u16string initialTexts[12] = {u"B", u"B", u"B", u"B", u"B", u"B", u"A", u"B", u"C", u"D", u"E", u"F"};
    for (std::size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(form.txtKey(i).text(), initialTexts[i]) << i;
        EXPECT_EQ(form.txtKey(i).name(), "TXTKEY(" + std::to_string(i) + ")");
    }
    EXPECT_EQ(form.Label2.caption(), u"车速：000");
    EXPECT_EQ(form.label1(3).caption(), u"1");
    EXPECT_EQ(form.label1(2).caption(), u"60");
    EXPECT_EQ(form.lbl联动状态手动状态.caption(), u"联动状态");
}

// The console's three timers: the serial poll, the play-time count and the pointer-mode display.
// Only the video choice switches one of them: the person-present choice starts the play-time
// count, the nobody-present one stops it.
TEST_F(ConsoleLoad, TimersHaveTheirIntervalsAndEnabledStates)
{
    Form1* form = &load();
    struct Expected {
        const Timer& timer;
        const char* name;
        int intervalMs;
    };
    const Expected timers[] = {
        {form->Timer2, "Timer2", 30},
        {form->Timer1, "Timer1", 1000},
        {form->TMR判断是否是人操作的, "TMR判断是否是人操作的", 80},
    };
    auto enabledStates = [&] {
        std::vector<bool> states;
        for (const Expected& t : timers) {
            states.push_back(t.timer.enabled());
        }
        return states;
    };
    for (const Expected& t : timers) {
        EXPECT_EQ(t.timer.name(), t.name);
        EXPECT_EQ(t.timer.intervalMs(), t.intervalMs) << t.name;
    }
    EXPECT_EQ(enabledStates(), (std::vector<bool>{true, true, true})) << "at start";
    form->Command2_1.click();
    EXPECT_EQ(enabledStates(), (std::vector<bool>{true, false, true})) << "after the nobody-present choice";
    form->Command2_1.click();
    EXPECT_EQ(enabledStates(), (std::vector<bool>{true, false, true})) << "a second nobody-present choice";
    form->Command2_0.click();
    EXPECT_EQ(enabledStates(), (std::vector<bool>{true, true, true})) << "after the person-present choice";
    for (const Expected& t : timers) {
        EXPECT_EQ(t.timer.intervalMs(), t.intervalMs) << t.name << " after the choices";
    }
}

TEST_F(ConsoleLoad, PlayerWindowLoadsBeforeAnythingElse)
{
    set(u"控制界面", u"窗口位置左", u"100");
    load();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "window, player loaded");
    EXPECT_TRUE(site().player().loaded());
}

// After the player window, loading runs its steps in the written order: the console's place, the
// speed coefficient's caption, the serial line (settings text, port, open), the play time, each
// travel's caption, and last the window shown. An open before the port or the settings would open
// another device or at the wrong speed, a caption before its value would show a default, and a
// show before the placing would flash the console at 0,0 first.
TEST_F(ConsoleLoad, StepsRunInTheWrittenOrder)
{
    set(u"控制界面", u"窗口位置左", u"100");
    set(u"控制界面", u"窗口位置上", u"20");
    set(u"控制界面", u"速度比例系数", u"0.5");
    set(u"串口设置", u"设置", u"19200,E,7,2");
    set(u"串口设置", u"端口", u"3");
    set(u"视频文件", u"来人播放时间单位秒", u"45");
    set(u"控制界面", u"鼠标X方向移动宽度", u"800");
    set(u"控制界面", u"鼠标Y方向移动高度", u"600");
    std::vector<std::string> steps;
    load([&](testing::TestSite& s) {
        Form1& form = s.console();
        auto note = [&s, &steps](const std::string& step) {
            if (steps.empty() && s.installation->playerIfLoaded()) {
                steps.push_back("player loaded");
            }
            steps.push_back(step);
        };
        form.window.onViewUpdate([&form, note, shown = false, before = form.window.geometry()]() mutable {
            const TwipsRect now = form.window.geometry();
            if (now.left != before.left) {
                note("left");
            }
            if (now.top != before.top) {
                note("top");
            }
            if (form.window.visible() != shown) {
                note(form.window.visible() ? "shown" : "hidden");
            }
            before = now;
            shown = form.window.visible();
        });
        for (Label* label : {&form.Label4, &form.Label5, &form.label1(2), &form.Label7, &form.Label8}) {
            label->onChange([note, label] { note(label->name()); });
        }
        s.serial().onCall = [note](const char* call) { note(std::string("serial ") + call); };
    });
    EXPECT_EQ(steps,
              (std::vector<std::string>{"player loaded", "left", "top", "Label4", "Label5", "serial settings",
                                        "serial port", "serial open", "Label1(2)", "Label7", "Label8", "shown"}));
}

// The speed coefficient and the travels are read once, at load: a settings file changed while the
// console runs, and the settings reads of the video choice and of the network window, change
// neither the pointer's travel nor the captions until the next start.
TEST_F(ConsoleLoad, SpeedCoefficientAndTravelsStayAsLoaded)
{
    set(u"控制界面", u"速度比例系数", u"0.5");
    set(u"控制界面", u"鼠标X方向移动宽度", u"800");
    set(u"控制界面", u"鼠标Y方向移动高度", u"600");
    Form1* form = &load();

    set(u"控制界面", u"速度比例系数", u"2");
    set(u"控制界面", u"鼠标X方向移动宽度", u"100");
    set(u"控制界面", u"鼠标Y方向移动高度", u"100");
    form->Command2_0.click();
    form->Command2_1.click();
    form->Command3.click();
    for (Timer* timer : {&form->Timer1, &form->Timer2, &form->TMR判断是否是人操作的}) {
        timer->tick();
    }
    site().arrive(u":::S=010xxx090xxxxxx,DIBBBBBB.");

    EXPECT_EQ(site().cursor().moves, (std::vector<CursorPoint>{{400, 295}})) << "half of 800, and 300 - 10 * 0.5";
    EXPECT_DOUBLE_EQ(form->speedCoefficient(), 0.5);
    EXPECT_EQ(form->xTravel(), 800);
    EXPECT_EQ(form->yTravel(), 600);
    EXPECT_EQ(form->Label5.caption(), u"速度系数：0.5");
    EXPECT_EQ(form->Label7.caption(), u"鼠标X方向移动宽度:800");
    EXPECT_EQ(form->Label8.caption(), u"I鼠标Y方向移动高度:600");
}

TEST_F(ConsoleLoad, PositionIsPixelsTimesFifteen)
{
    set(u"控制界面", u"窗口位置左", u"100");
    set(u"控制界面", u"窗口位置上", u"-20");
    Form1* form = &load();
    EXPECT_EQ(form->window.geometry().left, 1500);
    EXPECT_EQ(form->window.geometry().top, -300);
}

TEST_F(ConsoleLoad, SpeedCoefficientZeroMeansDefault)
{
    set(u"控制界面", u"速度比例系数", u"0");
    EXPECT_DOUBLE_EQ(load().speedCoefficient(), 7.2);

    set(u"控制界面", u"速度比例系数", u"0.5");
    Form1* form = &load();
    EXPECT_DOUBLE_EQ(form->speedCoefficient(), 0.5);
    EXPECT_EQ(form->Label5.caption(), u"速度系数：0.5");

    set(u"控制界面", u"速度比例系数", u"abc");
    EXPECT_DOUBLE_EQ(load().speedCoefficient(), 7.2);
}

TEST_F(ConsoleLoad, TravelsBelowOneOrOutOf16BitsFallBack)
{
    struct Case {
        const char16_t* x;
        const char16_t* y;
        int expectX;
        int expectY;
    };
    const Case cases[] = {
        {u"-5", u"0", 1024, 768},   {u"800", u"600", 800, 600}, {u"40000", u"32768", 1024, 768},
        {u"32767", u"1", 32767, 1}, {u"2.5", u"3.5", 2, 4},     {u"800px", u"", 800, 768},
    };
    for (const Case& c : cases) {
        set(u"控制界面", u"鼠标X方向移动宽度", c.x);
        set(u"控制界面", u"鼠标Y方向移动高度", c.y);
        Form1* form = &load();
        EXPECT_EQ(form->xTravel(), c.expectX) << toUtf8(c.x);
        EXPECT_EQ(form->yTravel(), c.expectY) << toUtf8(c.y);
        const std::string x = std::to_string(c.expectX);
        const std::string y = std::to_string(c.expectY);
        EXPECT_EQ(form->Label7.caption(), u"鼠标X方向移动宽度:" + Text(x.begin(), x.end()));
        EXPECT_EQ(form->Label8.caption(), u"I鼠标Y方向移动高度:" + Text(y.begin(), y.end()));
    }
}

// A number too large for a double is no more usable than a missing one: every numeric setting
// read at load then takes its default, and records drive the pointer as with no settings.
TEST_F(ConsoleLoad, SettingsThatAreNotFiniteNumbersGetTheirDefaults)
{
    for (const char16_t* overflow : {u"1E400", u"-1E400", u"1e99999999999999999999"}) {
        SCOPED_TRACE(toUtf8(overflow));
        for (const char16_t* key : {u"速度比例系数", u"鼠标X方向移动宽度", u"鼠标Y方向移动高度", u"窗口位置左"}) {
            set(u"控制界面", key, overflow);
        }
        // Finite, but not once it is turned into twips.
        set(u"控制界面", u"窗口位置上", u"1E308");
        set(u"串口设置", u"端口", overflow);
        Form1* form = &load();
        EXPECT_DOUBLE_EQ(form->speedCoefficient(), 7.2);
        EXPECT_EQ(form->Label5.caption(), u"速度系数：7.2");
        EXPECT_EQ(form->Label7.caption(), u"鼠标X方向移动宽度:1024");
        EXPECT_EQ(form->Label8.caption(), u"I鼠标Y方向移动高度:768");
        EXPECT_EQ(form->window.geometry().left, 0);
        EXPECT_EQ(form->window.geometry().top, 0);
        EXPECT_EQ(serial().portNumber, 0);

        form->Text1.setText(u":::S=010xxx090xxxxxx,DIBBBBBB.");
        EXPECT_EQ(site().cursor().moves, (std::vector<CursorPoint>{{512, 312}})) << "384 - 10 * 7.2, half of 1024";
    }
}

TEST_F(ConsoleLoad, SerialLineIsConfiguredAndOpened)
{
    set(u"串口设置", u"设置", u"19200,E,7,2");
    set(u"串口设置", u"端口", u"3");
    load();
    EXPECT_EQ(serial().settings, (SerialSettings{19200, Parity::Even, 7, StopBits::Two}));
    EXPECT_EQ(serial().portNumber, 3);
    EXPECT_TRUE(serial().isOpen());
}

TEST_F(ConsoleLoad, RejectedSerialSettingsKeepDefaultsAndLoadingGoesOn)
{
    set(u"串口设置", u"设置", u"fast,please");
    set(u"串口设置", u"端口", u"70000");
    set(u"控制界面", u"鼠标X方向移动宽度", u"640");
    Form1* form = &load([](testing::TestSite& s) { s.serial().openSucceeds = false; });
    EXPECT_EQ(serial().settings, SerialSettings{});
    EXPECT_FALSE(serial().portNumber.has_value()); // 70000 does not fit 16 bits: step skipped
    EXPECT_EQ(serial().openCalls, 1);
    EXPECT_EQ(form->xTravel(), 640);
    EXPECT_TRUE(form->window.visible());
}

// A port that does not open and a rejected settings text show nothing on screen: no log list
// line, no message, and the poll finds nothing, silently. The line itself names the device and
// the reason on standard error (tested with the real line); the console adds nothing of its own.
TEST_F(ConsoleLoad, SerialFailuresAtStartShowNothingAndTheConsoleWritesNoLineOfItsOwn)
{
    set(u"串口设置", u"设置", u"9600,X,8,1");
    set(u"串口设置", u"端口", u"3");
    ::testing::internal::CaptureStderr();
    Form1* form = &load([](testing::TestSite& s) {
        s.serial().openSucceeds = false;
        s.serial().arrivals.push_back(u":::S=010xxx090xxxxxx,DIBBBBBB.");
    });
    for (int tick = 0; tick < 5; ++tick) {
        EXPECT_TRUE(form->Timer2.tick());
    }
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(serial().settingsCalls, std::vector<Text>{u"9600,X,8,1"});
    EXPECT_EQ(serial().portNumber, 3);
    EXPECT_EQ(serial().openCalls, 1);
    EXPECT_FALSE(serial().isOpen());
    EXPECT_TRUE(form->List1.items().empty());
    EXPECT_EQ(form->Text1.text(), u"");
    EXPECT_TRUE(site().cursor().moves.empty());
    EXPECT_TRUE(form->window.visible());
    EXPECT_EQ(err, "");
}

TEST_F(ConsoleLoad, PortTextStartingWithSlashIsADevicePath)
{
    set(u"串口设置", u"端口", u"/dev/ttyUSB0");
    load();
    EXPECT_EQ(serial().devicePath, "/dev/ttyUSB0");
    EXPECT_FALSE(serial().portNumber.has_value());

    set(u"串口设置", u"端口", u"2.5");
    load();
    EXPECT_EQ(serial().portNumber, 2);
}

TEST_F(ConsoleLoad, PlayTimeIsShownExactlyAsRead)
{
    set(u"视频文件", u"来人播放时间单位秒", u"  45秒 ");
    EXPECT_EQ(load().label1(2).caption(), u"45秒");
}

TEST_F(ConsoleLoad, HiddenOnlyWhenStateIsExactlyNormal)
{
    struct Case {
        const char16_t* state;
        bool visible;
    };
    const Case cases[] = {{u"正常", false},  {u"正常 ", false}, {u"  正常", false},
                          {u"正常了", true}, {u"调试", true},   {u"", true}};
    for (const Case& c : cases) {
        set(u"串口设置", u"状态", c.state);
        EXPECT_EQ(load().window.visible(), c.visible) << toUtf8(c.state);
    }
}

TEST_F(ConsoleLoad, ButtonsEndTheProgramAndShowTheNetworkWindow)
{
    Form1* form = &load();
    EXPECT_EQ(site().installation->networkWindow(), nullptr);
    form->Command3.click();
    Frmsock* const network = site().installation->networkWindow();
    ASSERT_NE(network, nullptr);
    EXPECT_TRUE(network->window.visible());
    network->window.hide();
    form->Command3.click();
    EXPECT_EQ(site().installation->networkWindow(), network) << "made once, shown on every press";
    EXPECT_TRUE(network->window.visible());
    EXPECT_EQ(site().endRequests, 0);
    form->Command1.click();
    EXPECT_EQ(site().endRequests, 1);
}

} // namespace
} // namespace ride
