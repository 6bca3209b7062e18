// The real executable on a virtual X server: where its windows appear, hiding the console, and
// the end of the program, by its "结束" button or by closing the console window.
#include "e2e/console_app.h"
#include "support/xvfb_server.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/x11_probe.h"
#include <X11/Xlib.h>
#include <sys/wait.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::ConsoleApp;
using testing::kConsoleTitle;

class Startup : public ::testing::Test {
protected:
    static void SetUpTestSuite() { xvfb = new testing::XvfbServer(1280, 1024); }
    static void TearDownTestSuite()
    {
        delete xvfb;
        xvfb = nullptr;
    }

    void SetUp() override { app = std::make_unique<ConsoleApp>(xvfb->display()); }
    static testing::XvfbServer* xvfb;
    std::unique_ptr<ConsoleApp> app;
};

testing::XvfbServer* Startup::xvfb = nullptr;

TEST_F(Startup, WindowsAppearWhereTheSettingsPutThem)
{
    app->set(u"视频1位置及大小", u"视频1位置左", u"100");
    app->set(u"视频1位置及大小", u"视频1位置上", u"50");
    app->set(u"视频1位置及大小", u"视频1宽", u"800");
    app->set(u"视频1位置及大小", u"视频1高", u"600");
    app->set(u"控制界面", u"窗口位置左", u"30");
    app->set(u"控制界面", u"窗口位置上", u"660");
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
    app->set(u"控制界面", u"窗口位置左", u"10");
    app->set(u"控制界面", u"窗口位置上", u"20");
    app->start();
    const auto console = app->findWindow(kConsoleTitle, true, 10s);
    ASSERT_TRUE(console);
    ASSERT_TRUE(app->pressButton("结束"));
    ASSERT_TRUE(testing::waitUntil([&] { return !app->process().running(); }, 5s)) << "the program did not end";
    const int status = app->process().stop();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
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
    app->set(u"控制界面", u"窗口位置左", u"10");
    app->set(u"控制界面", u"窗口位置上", u"20");
    app->start();
    const auto console = app->findWindow(kConsoleTitle, true, 10s);
    ASSERT_TRUE(console);
    ASSERT_TRUE(app->findWindow("^Form4$", false, 10s));

    Display* x = XOpenDisplay(xvfb->display().c_str());
    ASSERT_NE(x, nullptr);
    const Window window = std::stoul(*console);
    EXPECT_TRUE(takesPartInDeleteProtocol(x, window)) << "a window manager would kill the program instead";
    testing::askToClose(x, window);
    XCloseDisplay(x);

    ASSERT_TRUE(testing::waitUntil([&] { return !app->process().running(); }, 5s)) << "the program did not end";
    const int status = app->process().stop();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace ride
