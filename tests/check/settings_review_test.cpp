// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/numeric_value.h"
#include "check/settings_review.h"
#include "console/console_settings.h"
#include "media/media_location.h"
#include "player/request_ending.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ride {
namespace {

namespace fs = std::filesystem;

class SettingsReview : public ::testing::Test {
protected:
    // The file as an installer writes it: UTF-8 here, GBK with CR LF on disk.
    void put(const std::string& utf8)
    {
        std::string bytes;
        for (char c : toGbk(fromUtf8(utf8))) {
            if (c == '\n') {
                bytes += '\r';
            }
            bytes += c;
        }
        testing::writeBytes(file_, bytes);
    }

    std::vector<std::string> review()
    {
        CheckReport report;
        reviewSettings(file_, readSiteSettings(file_), report);
        exitCode_ = report.exitCode();
        std::vector<std::string> lines;
        for (const Finding& f : report.findings()) {
            lines.push_back(formatFinding(f));
        }
        return lines;
    }

    // The one line about a setting, failing when there is none or more than one.
    std::string lineAbout(const std::vector<std::string>& lines, const std::string& setting)
    {
        std::string found;
        int count = 0;
        for (const std::string& line : lines) {
            if (line.find(setting + " ") == 8) {
                found = line;
                ++count;
            }
        }
        EXPECT_EQ(count, 1) << setting;
        return found;
    }

    // Each of `expected` is the one line about its setting, named after the level.
    void expectLines(const std::vector<std::string>& lines, const std::vector<std::string>& expected)
    {
        for (const std::string& line : expected) {
            const std::size_t end = line.find(' ', line.find("] ", 8) + 2);
            EXPECT_EQ(lineAbout(lines, line.substr(8, end - 8)), line);
        }
    }

    testing::TempDir dir_;
    fs::path file_ = dir_ / fs::path(u8"配置.ini");
    int exitCode_ = -1;
};

TEST_F(SettingsReview, UnsetValuesNameTheirDefaults)
{
    put("[串口设置]\n端口=/dev/ttyUSB0\n");
    const auto lines = review();
    expectLines(lines,
                {"ok      [控制界面] 窗口位置左 not set: console window's left edge at 0 px (default)",
                 "ok      [控制界面] 速度比例系数 not set: speed coefficient 7.2 (default)",
                 "ok      [控制界面] 鼠标X方向移动宽度 not set: pointer travels across 1024 px (default)",
                 "ok      [控制界面] 鼠标Y方向移动高度 not set: pointer travels down 768 px (default)",
                 "ok      [串口设置] 设置 not set: the line runs at 9600,N,8,1 (default)",
                 "ok      [串口设置] 状态 not set: the console window stays on screen (only 正常 hides it)",
                 "warning [视频文件] 来人播放时间单位秒 not set: counts as 0 s, so the person-present video gives way "
                 "to the nobody-present one after 1 s",
                 "warning [视频文件] 视频0 not set: nothing is played when a person comes",
                 "warning [视频文件] 视频1 not set: nothing is played when nobody is there",
                 "ok      [视频文件] 动画播放程序 not set: .SWF files would end at once",
                 "warning [视频1位置及大小] 视频1高 not set: player window height 0 px: the window gets the smallest "
                 "size the desktop allows and the video is hardly seen",
                 "ok      [网络参数] TxtTcpIp0 not set: channel 0 has no controller (TxtTcpPost0 is not set either)",
                 "ok      [网络参数] 发送失败处理方法0 not set: send-failure policy 忽略 (default): no policy acts on "
                 "this name: a stalled send stays queued"});
    // The device named is the serial probe's to judge: no line about it here.
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(),
                             [](const std::string& l) { return l.find("[串口设置] 端口") != std::string::npos; }));
    EXPECT_EQ(exitCode_, kCheckPassed);
}

TEST_F(SettingsReview, ValuesShowWhatTheConsoleMakesOfThem)
{
    put("[控制界面]\n窗口位置左= 100 \n窗口位置上=50px\n速度比例系数=0.5\n鼠标X方向移动宽度=800.5\n"
        "鼠标Y方向移动高度=&H100\n[串口设置]\n设置= 19200 , e , 7 , 2\n端口=3\n状态=正常\n[视频文件]\n"
        "来人播放时间单位秒=45\n[视频1位置及大小]\n视频1宽=640\n[网络参数]\nTxtTcp通道名称0=车1\n"
        "发送失败处理方法0=提示人工选择\n");
    const auto lines = review();
    expectLines(lines,
                {"ok      [控制界面] 窗口位置左 = \"100\": console window's left edge at 100 px",
                 "ok      [控制界面] 窗口位置上 = \"50px\": console window's top edge at 50 px",
                 "ok      [控制界面] 速度比例系数 = \"0.5\": speed coefficient 0.5",
                 // Rounded half to even, as the console does.
                 "ok      [控制界面] 鼠标X方向移动宽度 = \"800.5\": pointer travels across 800 px",
                 "ok      [控制界面] 鼠标Y方向移动高度 = \"&H100\": pointer travels down 256 px",
                 "ok      [串口设置] 设置 = \"19200 , e , 7 , 2\": the line runs at 19200,E,7,2",
                 "ok      [串口设置] 状态 = \"正常\": the console window hides itself at start",
                 "ok      [视频文件] 来人播放时间单位秒 = \"45\": the person-present video runs 45 s, then the "
                 "nobody-present one",
                 "ok      [视频1位置及大小] 视频1宽 = \"640\": player window width 640 px",
                 "ok      [网络参数] TxtTcp通道名称0 = \"车1\": shown as the channel's name only",
                 "ok      [网络参数] 发送失败处理方法0 = \"提示人工选择\": send-failure policy 提示人工选择: the "
                 "operator is asked whether to send again"});
}

TEST_F(SettingsReview, UnusableValuesAreWarnedAboutWithTheDefaultUsedInstead)
{
    put("[控制界面]\n窗口位置左=left\n窗口位置上=1E400\n速度比例系数=0\n鼠标X方向移动宽度=40000\n"
        "鼠标Y方向移动高度=-5\n[串口设置]\n端口=0\n[视频文件]\n来人播放时间单位秒=soon\n视频0=a.mp4\n"
        "[网络参数]\nTxtTcpIp0=127.0.0.1\nTxtTcpPost0=8001\n");
    const auto lines = review();
    expectLines(lines,
                {"warning [控制界面] 窗口位置左 = \"left\": no number: console window's left edge at 0 px",
                 "warning [控制界面] 窗口位置上 = \"1E400\": not a usable number: console window's top edge at 0 px",
                 "warning [控制界面] 速度比例系数 = \"0\": reads as 0: speed coefficient 7.2 (default)",
                 "warning [控制界面] 鼠标X方向移动宽度 = \"40000\": does not fit 16 bits (-32768 to 32767): pointer "
                 "travels across 1024 px (default)",
                 "warning [控制界面] 鼠标Y方向移动高度 = \"-5\": not above 0: pointer travels down 768 px (default)",
                 "ok      [串口设置] 端口 = \"0\": names no port (a number from 1, or a device path): no serial line "
                 "is opened",
                 "warning [视频文件] 来人播放时间单位秒 = \"soon\": no number: counts as 0 s, so the person-present "
                 "video gives way to the nobody-present one after 1 s"});
    // Warnings only: the controller on the network carries the records.
    EXPECT_EQ(exitCode_, kCheckPassed);
}

TEST_F(SettingsReview, SettingsThatStopTheInstallationAreProblems)
{
    put("[串口设置]\n设置=9600,X,8,1\n端口=/dev/ttyUSB0\n[视频文件]\n视频0=intro.swf\n"
        "[网络参数]\nTxtTcpIp0=ctl\nTxtTcpPost0=8001\n");
    auto lines = review();
    expectLines(lines,
                {"PROBLEM [串口设置] 设置 = \"9600,X,8,1\": rejected, it must be baud rate, parity letter, data bits, "
                 "stop bits as in 9600,N,8,1; the line would run at 9600,N,8,1",
                 "PROBLEM [视频文件] 动画播放程序 not set: a video is a .SWF file, which then ends at once",
                 "PROBLEM [网络参数] TxtTcpIp0 = \"ctl\", TxtTcpPost0 = \"8001\": channel 0 never connects: the "
                 "address must be longer than 6 characters and the port a whole number from 1 to 65535"});
    EXPECT_EQ(exitCode_, kCheckFoundProblems);

    // Without a serial device a rejected text changes nothing that is used; without any
    // controller no record can arrive.
    put("[串口设置]\n设置=fast\n");
    lines = review();
    EXPECT_EQ(lineAbout(lines, "[串口设置] 设置").substr(0, 8), "warning ");
    EXPECT_EQ(lines.back(), "PROBLEM no controller: neither [串口设置] 端口 nor [网络参数] TxtTcpIp0 and TxtTcpPost0 "
                            "name one, so no bike record can arrive");
    EXPECT_EQ(exitCode_, kCheckFoundProblems);
}

TEST_F(SettingsReview, ValuesCutByTheReadAreWarnedAbout)
{
    const std::string longName(130, 'x');
    put("[串口设置]\n端口=/dev/ttyUSB0\n[网络参数]\nTxtTcp通道名称0=" + longName +
        "\n[控制界面]\n窗口位置左=" + std::string(140, '1') + "\n");
    const auto lines = review();
    EXPECT_EQ(lineAbout(lines, "[网络参数] TxtTcp通道名称0"),
              "warning [网络参数] TxtTcp通道名称0 = \"" + std::string(127, 'x') +
                  "\": shown as the channel's name only (only the first 127 bytes are read; the file holds more)");
    const std::string left = lineAbout(lines, "[控制界面] 窗口位置左");
    EXPECT_EQ(left.substr(0, 8), "warning ");
    EXPECT_NE(left.find("(only the first 127 bytes are read; the file holds more)"), std::string::npos);
}

// Values on every edge of the windows' rules: each finding names what the console and the player
// window make of the value, and the serial device is the one the console tells its line to open.
TEST_F(SettingsReview, FindingsNameWhatTheWindowsUse)
{
    for (const std::string value :
         {"100", "-20", "2.5", "0", "-5", "40000", "32767.5", "&H100", "800px", "abc", "/dev/bike", "1E308", "1E400"}) {
        SCOPED_TRACE(value);
        put("[控制界面]\n窗口位置左=" + value + "\n速度比例系数=" + value + "\n鼠标X方向移动宽度=" + value +
            "\n[串口设置]\n端口=" + value + "\n[视频1位置及大小]\n视频1位置左=" + value + "\n");
        const auto lines = review();

        testing::TestSite site({.settingsFile = file_});
        const Form1& console = site.console();

        const auto says = [&](const std::string& setting, const std::string& what) {
            const std::string line = lineAbout(lines, setting);
            EXPECT_NE(line.find(what), std::string::npos) << line;
        };
        const auto pixels = [](double twips) { return toUtf8(shortestDecimal(twips / kTwipsPerPixel)) + " px"; };
        says("[控制界面] 窗口位置左", "left edge at " + pixels(console.window.geometry().left));
        says("[控制界面] 速度比例系数", "speed coefficient " + toUtf8(shortestDecimal(console.speedCoefficient())));
        says("[控制界面] 鼠标X方向移动宽度", "across " + std::to_string(console.xTravel()) + " px");
        says("[视频1位置及大小] 视频1位置左", "left edge at " + pixels(site.player().window.geometry().left));
        EXPECT_EQ(readSiteSettings(file_).serialDevice.value_or(""), site.serial().deviceName());
    }
}

TEST(SettingsRules, SerialPortValuesMeanDevicesAsInTheConsole)
{
    EXPECT_EQ(serialDeviceFor(u"1"), "/dev/ttyS0");
    EXPECT_EQ(serialDeviceFor(u"4"), "/dev/ttyS3");
    EXPECT_EQ(serialDeviceFor(u"2.5"), "/dev/ttyS1"); // half to even: 2
    EXPECT_EQ(serialDeviceFor(u"/dev/bike"), "/dev/bike");
    EXPECT_EQ(serialDeviceFor(u""), std::nullopt);
    EXPECT_EQ(serialDeviceFor(u"0"), std::nullopt);
    EXPECT_EQ(serialDeviceFor(u"-3"), std::nullopt);
    EXPECT_EQ(serialDeviceFor(u"40000"), std::nullopt);
    EXPECT_EQ(serialDeviceFor(u"COM1"), std::nullopt);
}

TEST(SettingsRules, MediaNamesAreTakenFromTheProgramDirectory)
{
    EXPECT_EQ(mediaLocation("/opt/ride", u"red.mp4"), "/opt/ride/red.mp4");
    EXPECT_EQ(mediaLocation("/opt/ride", u"clips/红.mp4"), "/opt/ride/clips/红.mp4");
    EXPECT_EQ(mediaLocation("/opt/ride", u"/srv/a.mp4"), "/srv/a.mp4");
    EXPECT_EQ(mediaLocation("/opt/ride", u"http://host/a.mp4"), "http://host/a.mp4");
    EXPECT_TRUE(isAnimationFile(u"intro.SWF"));
    EXPECT_TRUE(isAnimationFile(u"intro.swf"));
    EXPECT_FALSE(isAnimationFile(u"intro.swf.mp4"));
    EXPECT_FALSE(isAnimationFile(u"swf"));
}

} // namespace
} // namespace ride
