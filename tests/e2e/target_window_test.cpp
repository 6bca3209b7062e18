// The target window guard in the real executable: ride-target stands in for the roaming
// program, and the test's own X client adds a window of another program, one without any names
// and a child window inside ride-target's. Keys (and, when so set, the pointer) reach only the
// roaming program; a refusal is one line in the console's log.
#include "e2e/console_app.h"
#include "support/count_of.h"
#include "support/file_bytes.h"
#include "support/pty_pair.h"
#include "support/xvfb_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "support/x11_probe.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::ConsoleApp;
using testing::countOf;
using testing::kConsoleTitle;
using testing::readBytes;
using testing::ScreenPoint;
using testing::waitUntil;
// Several serial poll intervals: records written this far apart are decoded one by one.
constexpr auto kBetweenArrivals = 150ms;
constexpr const char* kReleased = ":::S=010xxx090xxxxxx,DIBBBBBB.";
constexpr const char* kPressed = ":::S=010xxx090xxxxxx,DIABBBBB."; // bike key 1: "A" typed
constexpr ScreenPoint kSteered{512, 312};                          // speed 10, direction 90

class TargetWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        xvfb = new testing::XvfbServer(1280, 1024);
        dir = new testing::TempDir;
        x = XOpenDisplay(xvfb->display().c_str());
        ASSERT_NE(x, nullptr);
        target = new ChildProcess({RIDE_TARGET_EXE, "--geometry", "600x300+0+0"},
                                  {{"DISPLAY", xvfb->display()}, {"QT_QPA_PLATFORM", "xcb"}}, targetLog().string());
        // It claims the focus at start; the test places the focus itself only after that.
        ASSERT_TRUE(waitUntil([] { return readBytes(targetLog()).find("focus gained") != std::string::npos; }, 10s))
            << readBytes(targetLog());
        targetWindow = topLevelTitled("ride-target");
        ASSERT_NE(targetWindow, 0u);

        // Another program: a class and a title that do not match.
        other = XCreateSimpleWindow(x, DefaultRootWindow(x), 700, 0, 300, 200, 0, 0, 0);
        XClassHint hint{const_cast<char*>("xterm"), const_cast<char*>("XTerm")};
        XSetClassHint(x, other, &hint);
        XStoreName(x, other, "bash");
        // A program whose window has neither class nor title.
        nameless = XCreateSimpleWindow(x, DefaultRootWindow(x), 700, 250, 300, 100, 0, 0, 0);
        // A child window inside the roaming program's window, as toolkits make them.
        child = XCreateSimpleWindow(x, targetWindow, 10, 10, 50, 50, 0, 0, 0);
        for (const Window w : {other, nameless, child}) {
            XSelectInput(x, w, KeyPressMask);
            XMapWindow(x, w);
        }
        XSync(x, False);
    }
    static void TearDownTestSuite()
    {
        delete target;
        target = nullptr;
        if (x) {
            XCloseDisplay(x);
            x = nullptr;
        }
        delete dir;
        dir = nullptr;
        delete xvfb;
        xvfb = nullptr;
    }

    static std::filesystem::path targetLog() { return *dir / "ride-target.log"; }

    static Window topLevelTitled(const std::string& title)
    {
        Window rootReturn = 0;
        Window parentReturn = 0;
        Window* children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (XQueryTree(x, DefaultRootWindow(x), &rootReturn, &parentReturn, &children, &count)) {
            for (unsigned i = 0; i < count && !found; ++i) {
                char* name = nullptr;
                if (XFetchName(x, children[i], &name) && name) {
                    if (title == name) {
                        found = children[i];
                    }
                    XFree(name);
                }
            }
            XFree(children);
        }
        return found;
    }

    void SetUp() override
    {
        ASSERT_NE(x, nullptr);
        app = std::make_unique<ConsoleApp>(xvfb->display());
        pty = std::make_unique<testing::PtyPair>(app->directory());
        app->set(u"串口设置", u"设置", u"9600,N,8,1");
        app->set(u"串口设置", u"端口", fromUtf8(pty->deviceEnd().string()));
        // The console and the player below the windows the keys go to.
        app->set(u"控制界面", u"窗口位置上", u"430");
        app->set(u"视频1位置及大小", u"视频1位置左", u"850");
        app->set(u"视频1位置及大小", u"视频1位置上", u"430");
        app->set(u"视频1位置及大小", u"视频1宽", u"400");
        app->set(u"视频1位置及大小", u"视频1高", u"300");
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cerr << "console log:\n" << consoleLog() << "ride-target:\n" << readBytes(targetLog());
        }
        if (started_) {
            app->process().stop();
        }
        pty.reset();
        app.reset();
    }

    void start()
    {
        XWarpPointer(x, None, DefaultRootWindow(x), 0, 0, 0, 0, 3, 3);
        XSync(x, False);
        app->start();
        started_ = true;
        ASSERT_TRUE(app->findWindow(kConsoleTitle, true, 10s)) << "no console window\n" << consoleLog();
        // Let both its windows settle before the focus is placed.
        std::this_thread::sleep_for(500ms);
    }

    std::string consoleLog() const { return readBytes(app->logFile()); }

    static void focus(Window w) { ASSERT_TRUE(testing::focusWindow(x, w)) << "the focus did not move"; }

    // The bike presses key 1, whose string is "A"; the record also steers the pointer.
    void pressKey()
    {
        pty->write(kReleased);
        std::this_thread::sleep_for(kBetweenArrivals);
        pty->write(kPressed);
        std::this_thread::sleep_for(kBetweenArrivals);
    }

    // Whether a key press reaches `w` (one of the test's windows) within `timeout`.
    static bool keyArrivesAt(Window w, std::chrono::milliseconds timeout)
    {
        return testing::nextEvent(
                   x, [w](const XEvent& event) { return event.type == KeyPress && event.xkey.window == w; }, timeout)
            .has_value();
    }

    static int targetKeys() { return countOf(readBytes(targetLog()), " key A\n"); }

    static bool targetGetsKeys(int before, std::chrono::milliseconds timeout)
    {
        return waitUntil([&] { return targetKeys() > before; }, timeout);
    }

    static ScreenPoint pointer() { return testing::pointerOn(x); }

    static inline testing::XvfbServer* xvfb = nullptr;
    static inline testing::TempDir* dir = nullptr;
    static inline ChildProcess* target = nullptr;
    static inline Display* x = nullptr;
    static inline Window targetWindow = 0;
    static inline Window other = 0;
    static inline Window nameless = 0;
    static inline Window child = 0;
    std::unique_ptr<ConsoleApp> app;
    std::unique_ptr<testing::PtyPair> pty;
    bool started_ = false;
};

TEST_F(TargetWindow, KeysAndPointerReachOnlyTheMatchingProgram)
{
    app->set(u"控制界面", u"目标窗口", u"ride-t?rg*");
    app->set(u"控制界面", u"目标窗口控制鼠标", u"1");
    start();

    // Another program has the focus: nothing typed there, the pointer stays, one line.
    focus(other);
    pressKey();
    pressKey();
    EXPECT_FALSE(keyArrivesAt(other, 500ms)) << "a key reached the other program";
    EXPECT_EQ(pointer(), (ScreenPoint{3, 3})) << "the pointer moved while another program had the focus";
    std::string log = consoleLog();
    EXPECT_EQ(countOf(log, "TXTKEY(6): key string of 1 characters not typed: the focused window (class \"xterm\" "
                           "\"XTerm\", title \"bash\") does not match [控制界面] 目标窗口 \"ride-t?rg*\""),
              1)
        << log;
    EXPECT_EQ(countOf(log, "pointer not moved: the focused window (class \"xterm\""), 1) << log;

    // The roaming program has it: keys and pointer go there.
    const int before = targetKeys();
    focus(targetWindow);
    pressKey();
    EXPECT_TRUE(targetGetsKeys(before, 5s)) << "ride-target got no key";
    EXPECT_TRUE(waitUntil([] { return pointer() == kSteered; }, 3s)) << pointer();

    // A child window of the roaming program counts as the program.
    focus(child);
    pressKey();
    EXPECT_TRUE(keyArrivesAt(child, 3s)) << "the child window of ride-target got no key";

    // A window without names, and no window at all.
    focus(nameless);
    pressKey();
    EXPECT_FALSE(keyArrivesAt(nameless, 500ms));
    focus(DefaultRootWindow(x));
    pressKey();
    log = consoleLog();
    EXPECT_EQ(countOf(log, "not typed: the focused window (class none none, title none) does not match"), 1) << log;
    EXPECT_EQ(countOf(log, "TXTKEY(6): key string of 1 characters not typed: no window has the keyboard focus"), 1)
        << log;
    EXPECT_EQ(countOf(log, "not typed"), 3) << "one line per refusal streak\n" << log;
}

TEST_F(TargetWindow, PatternOnTheTitleLeavesThePointerFreeUnlessAsked)
{
    app->set(u"控制界面", u"目标窗口", u"*target");
    start();
    focus(other);
    pressKey();
    EXPECT_FALSE(keyArrivesAt(other, 500ms));
    EXPECT_TRUE(waitUntil([] { return pointer() == kSteered; }, 3s)) << "the pointer is not guarded: " << pointer();

    const int before = targetKeys();
    focus(targetWindow);
    pressKey();
    EXPECT_TRUE(targetGetsKeys(before, 5s));
}

TEST_F(TargetWindow, WithoutAPatternKeysGoWhereverTheFocusIs)
{
    start();
    focus(other);
    pressKey();
    EXPECT_TRUE(keyArrivesAt(other, 3s)) << "no key in the other program";
    focus(nameless);
    pressKey();
    EXPECT_TRUE(keyArrivesAt(nameless, 3s)) << "no key in the nameless window";
    const int before = targetKeys();
    focus(targetWindow);
    pressKey();
    EXPECT_TRUE(targetGetsKeys(before, 5s));
    EXPECT_EQ(countOf(consoleLog(), "not typed"), 0) << consoleLog();
}

TEST_F(TargetWindow, SiteCheckReportsThePatternAndWhetherAWindowMatchesNow)
{
    const auto check = [&] {
        return testing::runAndCapture({(app->directory() / "ride-console").string(), "--check"}, nullptr,
                                      {{"DISPLAY", xvfb->display()}});
    };
    app->set(u"控制界面", u"目标窗口", u"ride-t?rg*");
    std::string report = check();
    EXPECT_NE(report.find("ok      [控制界面] 目标窗口 = \"ride-t?rg*\": keys are typed only while the focused window "
                          "matches; on screen now: class \"ride-target\""),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("[控制界面] 目标窗口控制鼠标 not set: the pointer always moves"), std::string::npos)
        << report;

    app->set(u"控制界面", u"目标窗口", u"roam*");
    report = check();
    EXPECT_NE(report.find("warning [控制界面] 目标窗口 = \"roam*\": no window on screen matches it now"),
              std::string::npos)
        << report;
}

} // namespace
} // namespace ride
