// SPDX-License-Identifier: GPL-3.0-or-later
// ride-console --check, the real executable beside a settings file of the test's making: a good
// site, and each thing an installer gets wrong (device missing, not permitted or refusing its
// settings, videos missing or broken, controller refused or unknown, directory read-only, no
// display or a Wayland session, the settings file missing or garbage). Every finding's line is
// asserted, not only the exit code.
#include "service/ui_priority.h"
#include "support/loopback_server.h"

#include <gtest/gtest.h>

#include "e2e/console_suite.h"

#include <grp.h>
#include <pwd.h>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

struct CheckRun {
    int exitCode = -1;
    std::vector<std::string> lines;
    std::chrono::milliseconds took{};

    // The one line that starts with `prefix` (the level word and the setting or subject).
    std::string line(const std::string& prefix) const
    {
        std::string found;
        int count = 0;
        for (const std::string& l : lines) {
            if (l.rfind(prefix, 0) == 0) {
                found = l;
                ++count;
            }
        }
        EXPECT_EQ(count, 1) << "lines starting with \"" << prefix << "\" in:\n" << all();
        return found;
    }
    bool has(const std::string& exact) const { return std::find(lines.begin(), lines.end(), exact) != lines.end(); }
    std::string all() const
    {
        std::string text;
        for (const std::string& l : lines) {
            text += l + "\n";
        }
        return text;
    }
};

// The check's last line. Whether the console could run at nice -10 depends on who runs the test
// (root, or a member of the group the package grants it to, may): a user who may not gets one
// more warning, that one.
std::string summary(int problems, int warnings)
{
    if (!tryUiThreadPriority().raised) {
        ++warnings;
    }
    const auto count = [](int n, const std::string& what) {
        return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
    };
    return count(problems, "problem") + ", " + count(warnings, "warning") + ": " +
           (problems > 0 ? "the installation would not work as set up" : "nothing stops the installation working");
}

std::string userName()
{
    const passwd* entry = getpwuid(geteuid());
    return entry ? entry->pw_name : std::to_string(geteuid());
}

class SiteCheck : public testing::ConsoleSuite<> {
protected:
    fs::path dir() const { return app->directory(); }
    std::string path(const std::string& name) const { return (dir() / name).string(); }

    // Everything an installation needs, and all of it right.
    void goodSite()
    {
        plugInSerialLine();
        controller = std::make_unique<testing::LoopbackServer>();
        app->makeClip("red.mp4", "red", "160x120");
        app->makeClip("blue.mp4", "blue", "160x120");
        app->set(u"控制界面", u"窗口位置左", "0");
        app->set(u"串口设置", u"状态", "正常");
        app->set(u"视频文件", u"来人播放时间单位秒", "30");
        app->set(u"视频文件", u"视频0", "red.mp4");
        app->set(u"视频文件", u"视频1", "blue.mp4");
        app->set(u"视频1位置及大小", u"视频1宽", "320");
        app->set(u"视频1位置及大小", u"视频1高", "240");
        app->useController(controller->port());
    }

    // Runs the copy beside the settings file, with `prefix` (another user) in front if given and
    // `more` options after --check.
    CheckRun check(std::map<std::string, std::string> env = {}, std::vector<std::string> prefix = {},
                   const std::vector<std::string>& more = {})
    {
        env.emplace("DISPLAY", xvfb->display());
        env.emplace("WAYLAND_DISPLAY", "");
        env.emplace("XDG_SESSION_TYPE", "");
        std::vector<std::string> argv = prefix;
        argv.push_back(path("ride-console"));
        argv.push_back("--check");
        argv.insert(argv.end(), more.begin(), more.end());
        CheckRun run;
        const auto start = std::chrono::steady_clock::now();
        std::istringstream out(testing::runAndCapture(argv, &run.exitCode, env));
        run.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        for (std::string l; std::getline(out, l);) {
            run.lines.push_back(l);
        }
        return run;
    }

    std::unique_ptr<testing::LoopbackServer> controller;
};

TEST_F(SiteCheck, AGoodSitePassesAndNothingIsChanged)
{
    goodSite();
    const std::string settingsBefore = testing::readBytes(app->settingsFile());
    struct stat before {};
    ASSERT_EQ(stat(app->settingsFile().c_str(), &before), 0);
    std::size_t filesBefore = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir())) {
        ++filesBefore;
    }

    const CheckRun run = check();
    std::cout << "[ measure  ] --check on a good site took " << run.took.count() << " ms\n";
    RecordProperty("check_ms", static_cast<int>(run.took.count()));

    EXPECT_EQ(run.exitCode, 0) << run.all();
    EXPECT_EQ(run.lines.front(), "ride-console site check: " + app->settingsFile().string());
    const std::string device = pty->deviceEnd().string();
    EXPECT_EQ(run.line("ok      [串口设置] 端口"), "ok      [串口设置] 端口 = \"" + device + "\": " + device +
                                                       " opens for user " + userName() + " and takes 9600,N,8,1");
    EXPECT_EQ(run.line("ok      [串口设置] 设置"),
              "ok      [串口设置] 设置 = \"9600,N,8,1\": the line runs at 9600,N,8,1");
    EXPECT_EQ(run.line("ok      [视频文件] 视频0"),
              "ok      [视频文件] 视频0 = \"red.mp4\": " + path("red.mp4") + " opens in libmpv");
    EXPECT_EQ(run.line("ok      [视频文件] 视频1"),
              "ok      [视频文件] 视频1 = \"blue.mp4\": " + path("blue.mp4") + " opens in libmpv");
    const std::string port = std::to_string(controller->port());
    EXPECT_EQ(run.line("ok      [网络参数] TxtTcpIp0"),
              "ok      [网络参数] TxtTcpIp0 = \"127.0.0.1\", TxtTcpPost0 = \"" + port +
                  "\": a controller answers at 127.0.0.1:" + port +
                  " (channel 0 connects once the operator first presses 网络设置)");
    EXPECT_EQ(run.line("ok      display"), "ok      display: X server " + xvfb->display() +
                                               " reached, with the XTest extension for pointer and keys");
    EXPECT_EQ(run.line("ok      session"), "ok      session: not a Wayland session");
    EXPECT_EQ(run.line("ok      settings directory"), "ok      settings directory " + dir().string() +
                                                          ": writable, so the network window can save its settings");
    const bool mayRaise = tryUiThreadPriority().raised;
    if (mayRaise) {
        EXPECT_EQ(run.line("ok      priority"),
                  "ok      priority: records would be handled at nice -10, ahead of busy programs at normal priority");
    } else {
        EXPECT_EQ(run.line("warning priority").rfind("warning priority: records would be handled at nice ", 0), 0u);
    }
    EXPECT_EQ(run.lines.back(), summary(0, 0));
    for (const std::string& l : run.lines) {
        EXPECT_NE(l.rfind(mayRaise ? "warning " : "warning [", 0), 0u) << l;
        EXPECT_NE(l.rfind("PROBLEM ", 0), 0u) << l;
    }

    // The settings file is untouched, no file is left behind, and the controller got nothing.
    EXPECT_EQ(testing::readBytes(app->settingsFile()), settingsBefore);
    struct stat after {};
    ASSERT_EQ(stat(app->settingsFile().c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    std::size_t filesAfter = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir())) {
        ++filesAfter;
    }
    EXPECT_EQ(filesAfter, filesBefore);
    ASSERT_TRUE(controller->accept(1s)) << "the check did not try the controller";
    controller->receiveUntil([](const std::string& r) { return !r.empty(); }, 300ms);
    EXPECT_EQ(controller->received(), "");
}

TEST_F(SiteCheck, AMissingDeviceIsAProblem)
{
    goodSite();
    app->set(u"串口设置", u"端口", path("ttyUSB7"));
    CheckRun run = check();
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_EQ(run.line("PROBLEM [串口设置] 端口"),
              "PROBLEM [串口设置] 端口 = \"" + path("ttyUSB7") + "\": " + path("ttyUSB7") + " does not exist");
    EXPECT_EQ(run.lines.back(), summary(1, 0));

    // A port number means a /dev/ttyS device, which the line explains.
    app->set(u"串口设置", u"端口", "200");
    run = check();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.line("PROBLEM [串口设置] 端口"),
              "PROBLEM [串口设置] 端口 = \"200\": /dev/ttyS199 does not exist (port n means /dev/ttyS{n-1}; a USB "
              "adapter is a path such as /dev/ttyUSB0)");
}

TEST_F(SiteCheck, ADeviceTheUserMayNotOpenNamesTheGroup)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root: the test gives the pseudo-terminal to group dialout and runs the check as "
                        "nobody, with and without that group";
    }
    const group* dialout = getgrnam("dialout");
    ASSERT_NE(dialout, nullptr) << "no group dialout on this system";
    goodSite();
    // The pseudo-terminal made like a serial device: root:dialout, mode 0660.
    const fs::path terminal = fs::canonical(pty->deviceEnd());
    ASSERT_EQ(chown(terminal.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(chmod(terminal.c_str(), 0660), 0);
    // nobody may read the directory, the settings and the clips, but not write there.
    ASSERT_EQ(chmod(dir().c_str(), 0755), 0);

    const std::vector<std::string> asNobody{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    const passwd* nobody = getpwuid(65534);
    ASSERT_NE(nobody, nullptr);
    const std::string name = nobody->pw_name;
    const std::string device = pty->deviceEnd().string();
    CheckRun run = check({}, asNobody);
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_EQ(run.line("PROBLEM [串口设置] 端口"),
              "PROBLEM [串口设置] 端口 = \"" + device + "\": " + device +
                  " cannot be opened: permission denied for user " + name + " (" + device +
                  " is mode 0660, group dialout); add the user to the group: usermod -aG dialout " + name +
                  ", then log in again");
    EXPECT_EQ(run.line("warning settings directory"),
              "warning settings directory " + dir().string() +
                  ": cannot create a file there (Permission denied): the network window's 保存 would be dropped");

    // In the group, the same user opens it.
    const std::vector<std::string> asNobodyInDialout{"setpriv", "--reuid=65534", "--regid=65534",
                                                     "--groups=" + std::to_string(dialout->gr_gid), "--"};
    run = check({}, asNobodyInDialout);
    EXPECT_EQ(run.line("ok      [串口设置] 端口"), "ok      [串口设置] 端口 = \"" + device + "\": " + device +
                                                       " opens for user " + name + " and takes 9600,N,8,1");
}

TEST_F(SiteCheck, ARejectedSettingsTextIsAProblem)
{
    goodSite();
    app->set(u"串口设置", u"设置", "9600,X,8,1");
    const CheckRun run = check();
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_EQ(run.line("PROBLEM [串口设置] 设置"),
              "PROBLEM [串口设置] 设置 = \"9600,X,8,1\": rejected, it must be baud rate, parity letter, data bits, "
              "stop bits as in 9600,N,8,1; the line would run at 9600,N,8,1");
    const std::string device = pty->deviceEnd().string();
    EXPECT_EQ(run.line("ok      [串口设置] 端口"), "ok      [串口设置] 端口 = \"" + device + "\": " + device +
                                                       " opens for user " + userName() + " and takes 9600,N,8,1");
}

TEST_F(SiteCheck, MissingAndBrokenVideosAreProblems)
{
    goodSite();
    // A file of garbage under a video's name.
    std::mt19937 random(11);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(random());
    }
    testing::writeBytes(dir() / "broken.mp4", garbage);
    app->set(u"视频文件", u"视频0", "missing.mp4");
    app->set(u"视频文件", u"视频1", "broken.mp4");
    const CheckRun run = check();
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_EQ(run.line("PROBLEM [视频文件] 视频0"),
              "PROBLEM [视频文件] 视频0 = \"missing.mp4\": not found (looked for " + path("missing.mp4") + ")");
    EXPECT_EQ(run.line("PROBLEM [视频文件] 视频1"), "PROBLEM [视频文件] 视频1 = \"broken.mp4\": " + path("broken.mp4") +
                                                        ": libmpv cannot play it: unrecognized file format");
    EXPECT_EQ(run.lines.back(), summary(2, 0));
}

TEST_F(SiteCheck, ARefusedOrUnknownControllerIsAWarning)
{
    goodSite();
    const int closedPort = testing::LoopbackServer::refusingPort();
    app->set(u"网络参数", u"TxtTcpPost0", std::to_string(closedPort));
    CheckRun run = check();
    EXPECT_EQ(run.exitCode, 0) << run.all();
    const std::string port = std::to_string(closedPort);
    EXPECT_EQ(run.line("warning [网络参数] TxtTcpIp0"),
              "warning [网络参数] TxtTcpIp0 = \"127.0.0.1\", TxtTcpPost0 = \"" + port + "\": 127.0.0.1:" + port +
                  " refused the connection: no controller listens there (switched off?)");
    EXPECT_EQ(run.lines.back(), summary(0, 1));

    app->set(u"网络参数", u"TxtTcpIp0", "controller.invalid");
    run = check();
    EXPECT_EQ(run.exitCode, 0) << run.all();
    EXPECT_EQ(run.line("warning [网络参数] TxtTcpIp0")
                  .rfind("warning [网络参数] TxtTcpIp0 = \"controller.invalid\", "
                         "TxtTcpPost0 = \"" +
                             port + "\": the address does not resolve (",
                         0),
              0u);
}

TEST_F(SiteCheck, AReadOnlyDirectoryIsAWarning)
{
    goodSite();
    ASSERT_EQ(chmod(dir().c_str(), 0555), 0);
    const CheckRun run = check();
    chmod(dir().c_str(), 0755);
    EXPECT_EQ(run.exitCode, 0) << run.all();
    EXPECT_EQ(run.line("warning settings directory"),
              "warning settings directory " + dir().string() +
                  ": read-only (mode 0555): the network window's 保存 would be dropped");
}

TEST_F(SiteCheck, TheCaptureSaysWhereItWritesAndWhetherItCan)
{
    const struct {
        std::string file;  // [数据记录] 文件
        std::string limit; // [数据记录] 上限MB
        std::vector<std::string> options;
        std::string fileLine;
        std::string limitLine; // none when capture is off
    } cases[] = {
        {"", "", {}, "ok      [数据记录] 文件 not set: the controller's traffic is not captured", ""},
        {"cap.txt",
         "0.05",
         {},
         "ok      [数据记录] 文件 = \"cap.txt\": captures the controller's traffic to " + path("cap.txt") + " (and " +
             path("cap.txt") + ".1); ",
         "ok      [数据记录] 上限MB = \"0.05\": each capture file holds up to 0.05 MB (52428 bytes), then moves to "
         ".1, so two are kept"},
        {"logs/cap.txt",
         "abc",
         {},
         "warning [数据记录] 文件 = \"logs/cap.txt\": " + path("logs/cap.txt") + " cannot be written: its directory " +
             path("logs") +
             ": No such file or directory (the console creates no directory); the "
             "console would run without a capture",
         "warning [数据记录] 上限MB = \"abc\": not a number above 0: each capture file holds up to 64 MB (67108864 "
         "bytes) (default)"},
        {"logs/cap.txt",
         "",
         {"--capture", dir().string()},
         "warning --capture " + dir().string() + " (instead of [数据记录] 文件 = \"logs/cap.txt\"): " + dir().string() +
             " cannot be written: it is a directory; the console would run without a capture",
         "ok      [数据记录] 上限MB not set: each capture file holds up to 64 MB (67108864 bytes) (default), then "
         "moves "
         "to .1, so two are kept"},
    };
    for (const auto& c : cases) {
        app->set(u"数据记录", u"文件", c.file);
        app->set(u"数据记录", u"上限MB", c.limit);
        const CheckRun run = check({}, {}, c.options);
        const std::string level = c.fileLine.substr(0, 8);
        const std::string fileLine = run.line(level + (c.options.empty() ? "[数据记录] 文件" : "--capture"));
        EXPECT_EQ(fileLine.substr(0, c.fileLine.size()), c.fileLine);
        if (!c.limitLine.empty()) {
            EXPECT_EQ(run.line(c.limitLine.substr(0, 8) + "[数据记录] 上限MB"), c.limitLine);
        }
    }
}

TEST_F(SiteCheck, NoDisplayOrAWaylandSessionIsAProblem)
{
    goodSite();
    CheckRun run = check({{"DISPLAY", ""}});
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_EQ(run.line("PROBLEM display"),
              "PROBLEM display: $DISPLAY is not set, so the console has no X server for its windows, pointer and keys "
              "(run the check in the desktop session, or with DISPLAY=:0)");

    run = check({{"DISPLAY", ":4095"}});
    EXPECT_EQ(run.line("PROBLEM display"), "PROBLEM display: X server :4095 cannot be reached (not running, or this "
                                           "user may not use it: check $XAUTHORITY)");

    run = check({{"WAYLAND_DISPLAY", "wayland-0"}});
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_EQ(run.line("PROBLEM session"), "PROBLEM session: this is a Wayland session, where pointer and keys reach "
                                           "X programs only; the installation needs an Xorg session");
    EXPECT_EQ(run.line("ok      display").rfind("ok      display: X server ", 0), 0u);
}

TEST_F(SiteCheck, AnXServerWithoutXTestIsAProblem)
{
    goodSite();
    testing::XvfbServer bare(640, 480, "XTEST");
    ASSERT_TRUE(bare.running()) << "Xvfb did not start: " << bare.error();

    const CheckRun run = check({{"DISPLAY", bare.display()}});
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_EQ(run.line("PROBLEM display"), "PROBLEM display: X server " + bare.display() +
                                               " has no XTest extension, so no pointer move and no key can be sent");
}

TEST_F(SiteCheck, AnAnimationFileNeedsItsProgram)
{
    goodSite();
    testing::writeBytes(dir() / "intro.SWF", "FWS");
    app->set(u"视频文件", u"视频0", "intro.SWF");
    CheckRun run = check();
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_EQ(run.line("ok      [视频文件] 视频0"), "ok      [视频文件] 视频0 = \"intro.SWF\": " + path("intro.SWF") +
                                                        " is there, for the animation program");
    EXPECT_EQ(run.line("PROBLEM [视频文件] 动画播放程序"),
              "PROBLEM [视频文件] 动画播放程序 not set: a video is a .SWF file, which then ends at once");

    app->set(u"视频文件", u"动画播放程序", "no-such-player --full-screen");
    run = check();
    EXPECT_EQ(
        run.line("PROBLEM [视频文件] 动画播放程序"),
        "PROBLEM [视频文件] 动画播放程序 = \"no-such-player --full-screen\": no-such-player is not found in $PATH");

    // A path is taken from the program's directory, and must be a program this user may run.
    testing::writeBytes(dir() / "player.sh", "#!/bin/sh\n");
    app->set(u"视频文件", u"动画播放程序", "./player.sh --full-screen");
    ASSERT_EQ(chmod(path("player.sh").c_str(), 0755), 0);
    run = check();
    EXPECT_EQ(run.exitCode, 0) << run.all();
    EXPECT_EQ(run.line("ok      [视频文件] 动画播放程序"),
              "ok      [视频文件] 动画播放程序 = \"./player.sh --full-screen\": runs " + path("./player.sh"));
    ASSERT_EQ(chmod(path("player.sh").c_str(), 0644), 0);
    run = check();
    EXPECT_EQ(run.line("PROBLEM [视频文件] 动画播放程序")
                  .rfind("PROBLEM [视频文件] 动画播放程序 = \"./player.sh "
                         "--full-screen\": " +
                             path("./player.sh") + " cannot be run by this user: ",
                         0),
              0u);
}

TEST_F(SiteCheck, AMissingOrGarbageSettingsFileEndsWithTwo)
{
    CheckRun run = check();
    EXPECT_EQ(run.exitCode, 2);
    const std::string file = app->settingsFile().string();
    EXPECT_EQ(run.all(), "ride-console site check: " + file + "\nPROBLEM 配置.ini: " + file +
                             " does not exist\nthe settings file cannot be read: nothing else was checked\n");

    std::mt19937 random(5);
    std::string bytes(2048, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() % 255 + 1); // no NUL: the GBK rule has to catch it
    }
    testing::writeBytes(app->settingsFile(), bytes);
    run = check();
    EXPECT_EQ(run.exitCode, 2) << run.all();
    ASSERT_EQ(run.lines.size(), 3u) << run.all();
    EXPECT_EQ(run.lines[1].rfind("PROBLEM 配置.ini: " + file + " is not GBK text (line ", 0), 0u) << run.lines[1];
    EXPECT_EQ(testing::readBytes(app->settingsFile()), bytes);

    bytes[100] = '\0';
    testing::writeBytes(app->settingsFile(), bytes);
    run = check();
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.has("PROBLEM 配置.ini: " + file + " holds a NUL byte (at byte 100): not a text file")) << run.all();
}

} // namespace
} // namespace ride
