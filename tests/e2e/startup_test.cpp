// SPDX-License-Identifier: GPL-3.0-or-later
// The real executable on a virtual X server: where its windows appear, on desktops of any scale,
// hiding the console, the end of the program, by its "结束" button or by closing the console
// window, and Qt files planted beside it.
#include "base/scoped_environment.h"
#include "e2e/console_suite.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include <sys/inotify.h>
#include <unistd.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::ConsoleApp;
using testing::kConsoleTitle;

using Startup = testing::ConsoleSuite<::testing::Test, true>;

TEST_F(Startup, WindowsAppearWhereTheSettingsPutThem)
{
    app->placePlayer(100, 50, 800, 600);
    app->placeConsole(30, 660);
    app->start();

    const auto player = app->findWindow("^Form4$", true, 10s);
    ASSERT_TRUE(player) << "no visible player window";
    const auto p = app->geometry(*player);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 50);
    EXPECT_EQ(p.width, 800);
    EXPECT_EQ(p.height, 600);

    const auto console = app->findWindow(kConsoleTitle, true, 10s);
    ASSERT_TRUE(console) << "no visible console window";
    const auto c = app->geometry(*console);
    EXPECT_EQ(c.x, 30);
    EXPECT_EQ(c.y, 660);
    EXPECT_EQ(c.width, 822);
    EXPECT_EQ(c.height, 358);
    EXPECT_TRUE(app->process().running());
}

// On a desktop scaled for a high-density screen, by its text size (Xft.dpi 144 is what GNOME and
// KDE set for 150 %, 192 for 200 %) or by QT_SCALE_FACTOR, the windows still take exactly the
// pixels the settings give, and a record still puts the pointer on the same screen pixel.
TEST_F(Startup, WindowsTakeTheSettingsPixelsWhateverTheDesktopsScale)
{
    struct Case {
        const char* dpi;
        const char* scaleFactor;
    };
    for (const Case& c : {Case{"144", nullptr}, Case{nullptr, "2"}, Case{"192", "2"}}) {
        SCOPED_TRACE(std::string("Xft.dpi ") + (c.dpi ? c.dpi : "unset") + ", QT_SCALE_FACTOR " +
                     (c.scaleFactor ? c.scaleFactor : "unset"));
        testing::XvfbServer screen(1280, 1024);
        ConsoleApp site(screen.display());
        if (c.dpi) {
            std::ofstream(site.directory() / "resources") << "Xft.dpi: " << c.dpi << "\n";
            int status = -1;
            testing::runAndCapture({"xrdb", "-nocpp", "-merge", (site.directory() / "resources").string()}, &status,
                                   {{"DISPLAY", screen.display()}});
            ASSERT_EQ(status, 0) << "xrdb could not set Xft.dpi";
        }
        testing::PtyPair bike(site.directory());
        site.set(u"串口设置", u"端口", bike.deviceEnd().string());
        site.placeConsole(100, 50);
        site.placePlayer(100, 60, 800, 600);
        ScopedEnvironment environment;
        if (c.scaleFactor) {
            environment.set("QT_SCALE_FACTOR", c.scaleFactor);
        }
        site.start();
        environment.restore();

        const auto console = site.findWindow(kConsoleTitle, true, 10s);
        ASSERT_TRUE(console) << "no console window";
        const auto player = site.findWindow("^Form4$", true, 10s);
        ASSERT_TRUE(player) << "no player window";
        const auto g = site.geometry(*console);
        EXPECT_EQ((std::vector<int>{g.x, g.y, g.width, g.height}), (std::vector<int>{100, 50, 822, 358}));
        const auto p = site.geometry(*player);
        EXPECT_EQ((std::vector<int>{p.x, p.y, p.width, p.height}), (std::vector<int>{100, 60, 800, 600}));

        bike.write(":::S=010xxx090xxxxxx,DIBBBBBB.");
        EXPECT_TRUE(testing::waitUntil(
            [&] {
                return site.pointer() == testing::ScreenPoint{512, 312};
            },
            5s))
            << "pointer at " << site.pointer() << ", not at half of 1024 and 384 - 10 * 7.2";
        site.process().stop();
    }
}

TEST_F(Startup, NormalStateHidesTheConsoleButItKeepsRunning)
{
    app->set(u"串口设置", u"状态", u"正常");
    app->set(u"视频1位置及大小", u"视频1宽", u"320");
    app->set(u"视频1位置及大小", u"视频1高", u"240");
    app->start();

    ASSERT_TRUE(app->findWindow("^Form4$", true, 10s));
    // Loading is over once the player is up; give the console every chance to appear.
    std::this_thread::sleep_for(1s);
    EXPECT_FALSE(app->findWindow(kConsoleTitle, true, 0ms));
    EXPECT_TRUE(app->process().running());
}

TEST_F(Startup, WithoutSettingsTheConsoleSitsAtTheTopLeft)
{
    app->start();
    const auto console = app->findWindow(kConsoleTitle, true, 10s);
    ASSERT_TRUE(console);
    const auto c = app->geometry(*console);
    EXPECT_EQ(c.x, 0);
    EXPECT_EQ(c.y, 0);
    // The player window has no size from the settings: the smallest one the platform allows.
    const auto player = app->findWindow("^Form4$", false, 5s);
    ASSERT_TRUE(player);
    EXPECT_LE(app->geometry(*player).width, 1);
}

TEST_F(Startup, EndButtonEndsTheProgram)
{
    app->placeConsole(10, 20);
    ASSERT_TRUE(app->startShown(10s));
    ASSERT_TRUE(app->pressButton("结束"));
    EXPECT_EQ(app->process().exitCodeWithin(5s), 0) << "-1: the program did not end";
}

bool takesPartInDeleteProtocol(Display* x, Window window)
{
    Atom* protocols = nullptr;
    int count = 0;
    if (XGetWMProtocols(x, window, &protocols, &count) == 0) {
        return false;
    }
    const Atom deleteWindow = XInternAtom(x, "WM_DELETE_WINDOW", False);
    bool found = false;
    for (int i = 0; i < count; ++i) {
        found = found || protocols[i] == deleteWindow;
    }
    XFree(protocols);
    return found;
}

TEST_F(Startup, ClosingTheConsoleWindowEndsTheProgram)
{
    app->placeConsole(10, 20);
    app->start();
    const auto console = app->findWindow(kConsoleTitle, true, 10s);
    ASSERT_TRUE(console);
    ASSERT_TRUE(app->findWindow("^Form4$", false, 10s));

    const Window window = std::stoul(*console);
    EXPECT_TRUE(takesPartInDeleteProtocol(x, window)) << "a window manager would kill the program instead";
    testing::askToClose(x, window);
    EXPECT_EQ(app->process().exitCodeWithin(5s), 0) << "-1: the program did not end";
}

// What is opened in a directory and in some of its folders from now on, as paths relative to it.
class OpenedFiles {
public:
    OpenedFiles(const std::filesystem::path& directory, const std::vector<std::string>& folders)
        : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        folders_[inotify_add_watch(fd_, directory.c_str(), IN_OPEN)] = "";
        for (const std::string& folder : folders) {
            folders_[inotify_add_watch(fd_, (directory / folder).c_str(), IN_OPEN)] = folder + "/";
        }
    }
    ~OpenedFiles() { close(fd_); }
    OpenedFiles(const OpenedFiles&) = delete;
    OpenedFiles& operator=(const OpenedFiles&) = delete;

    std::set<std::string> names()
    {
        alignas(inotify_event) char buffer[16384];
        ssize_t length = 0;
        while ((length = read(fd_, buffer, sizeof buffer)) > 0) {
            for (char* at = buffer; at < buffer + length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                const std::string name = event->len > 0 ? std::string(event->name) : std::string();
                const std::string opened = folders_[event->wd] + name;
                names_.insert(opened.empty() || opened.back() != '/' ? opened : opened.substr(0, opened.size() - 1));
                at += sizeof(inotify_event) + event->len;
            }
        }
        return names_;
    }

private:
    int fd_;
    std::map<int, std::string> folders_;
    std::set<std::string> names_;
};

// The program's directory is writable by a whole group. Planted there: a qt.conf and a qt6.conf
// that send Qt's plugins to a folder that does not exist, and a plugin in each folder Qt looks
// in. The console starts as usual, so do its site check and ride-target, and none of it is opened.
TEST_F(Startup, QtConfigurationAndPluginsBesideTheProgramAreNeverOpened)
{
    const std::vector<std::string> folders{"platforms",    "platformthemes", "platforminputcontexts", "styles",
                                           "imageformats", "accessible",     "accessiblebridge"};
    enum class Program { Console, Check, RideTarget };
    for (const Program program : {Program::Console, Program::Check, Program::RideTarget}) {
        SCOPED_TRACE(program == Program::Console ? "console" : program == Program::Check ? "--check" : "ride-target");
        ConsoleApp site(xvfb->display());
        const std::filesystem::path dir = site.directory();
        std::set<std::string> planted;
        for (const char* name : {"qt.conf", "qt6.conf"}) {
            std::ofstream(dir / name) << "[Paths]\nPlugins=" << (dir / "no-such-folder").string() << "\n";
            planted.insert(name);
        }
        for (const std::string& folder : folders) {
            std::filesystem::create_directory(dir / folder);
            for (const char* file : {"libqxcb.so", "libplanted.so"}) {
                std::ofstream(dir / folder / file) << "not a plugin: a program that loads it fails";
                planted.insert(folder + "/" + file);
            }
            planted.insert(folder);
        }
        OpenedFiles opened(dir, folders);

        if (program == Program::Console) {
            site.start();
            EXPECT_TRUE(site.findWindow(kConsoleTitle, true, 10s)) << "no console window";
            std::this_thread::sleep_for(1s); // the video core and the accessibility bridge come later
            EXPECT_TRUE(site.process().running());
            site.process().stop();
        } else if (program == Program::Check) {
            site.start({"--check"});
            EXPECT_EQ(site.process().exitCodeWithin(20s), 2) << "no settings file, as for any site without one";
        } else {
            std::filesystem::copy_file(RIDE_TARGET_EXE, dir / "ride-target");
            testing::ChildProcess target(
                {(dir / "ride-target").string(), "--geometry", "200x100+900+0"},
                {{"DISPLAY", xvfb->display()}, {"QT_QPA_PLATFORM", "xcb"}, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"}});
            EXPECT_TRUE(site.findWindow("^ride-target$", true, 10s)) << "no ride-target window";
            std::this_thread::sleep_for(1s);
            target.stop();
        }

        std::vector<std::string> openedPlanted;
        for (const std::string& name : opened.names()) {
            if (planted.count(name) > 0) {
                openedPlanted.push_back(name);
            }
        }
        EXPECT_EQ(openedPlanted, std::vector<std::string>{});
    }
}

} // namespace
} // namespace ride
