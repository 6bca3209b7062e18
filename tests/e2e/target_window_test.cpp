// SPDX-License-Identifier: GPL-3.0-or-later
// The target window guard in the real executable: ride-target stands in for the roaming
// program, and the test's own X client adds a window of another program, one without any names
// and a child window inside ride-target's. Keys (and, when so set, the pointer) reach only the
// roaming program; a refusal is one line in the console's log.
#include "e2e/console_suite.h"
#include "support/count_of.h"

#include <gtest/gtest.h>

#include <thread>

#include <X11/Xutil.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::countOf;
using testing::readBytes;
using testing::ScreenPoint;
using testing::waitUntil;
// Several serial poll intervals: records written this far apart are decoded one by one.
constexpr auto kBetweenArrivals = 150ms;
constexpr const char* kReleased = ":::S=010xxx090xxxxxx,DIBBBBBB.";
constexpr const char* kPressed = ":::S=010xxx090xxxxxx,DIABBBBB."; // bike key 1: "A" typed
constexpr ScreenPoint kSteered{512, 312};                          // speed 10, direction 90

class TargetWindow : public testing::ConsoleSuite<::testing::Test, true> {
protected:
    static void SetUpTestSuite()
    {
        ConsoleSuite::SetUpTestSuite();
        dir = new testing::TempDir;
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
        delete std::exchange(target, nullptr);
        delete std::exchange(dir, nullptr);
        ConsoleSuite::TearDownTestSuite();
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
        ASSERT_NO_FATAL_FAILURE(ConsoleSuite::SetUp());
        plugInSerialLine();
        // The console and the player below the windows the keys go to.
        app->set(u"控制界面", u"窗口位置上", u"430");
        app->placePlayer(850, 430, 400, 300);
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cerr << "ride-target:\n" << readBytes(targetLog());
        }
        ConsoleSuite::TearDown();
    }

    void start()
    {
        XWarpPointer(x, None, DefaultRootWindow(x), 0, 0, 0, 0, 3, 3);
        XSync(x, False);
        ASSERT_TRUE(app->startShown(10s)) << "no console window\n" << consoleLog();
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
    // The same with the focus on `w` first.
    void pressKey(Window w)
    {
        focus(w);
        pressKey();
    }

    // Whether a key press reaches `w` (one of the test's windows) within `timeout`.
    static bool keyArrivesAt(Window w, std::chrono::milliseconds timeout)
    {
        return testing::nextEvent(
                   x, [w](const XEvent& event) { return event.type == KeyPress && event.xkey.window == w; }, timeout)
            .has_value();
    }

    static int targetKeys() { return countOf(readBytes(targetLog()), " key A\n"); }

    // Whether a key pressed with the focus on the roaming program reaches it.
    bool keyReachesTarget()
    {
        const int before = targetKeys();
        pressKey(targetWindow);
        return waitUntil([&] { return targetKeys() > before; }, 5s);
    }

    static ScreenPoint pointer() { return testing::pointerOn(x); }

    static inline testing::TempDir* dir = nullptr;
    static inline ChildProcess* target = nullptr;
    static inline Window targetWindow = 0;
    static inline Window other = 0;
    static inline Window nameless = 0;
    static inline Window child = 0;
};

TEST_F(TargetWindow, KeysAndPointerReachOnlyTheMatchingProgram)
{
    app->set(u"控制界面", u"目标窗口", u"ride-t?rg*");
    app->set(u"控制界面", u"目标窗口控制鼠标", u"1");
    start();

    // Another program has the focus: nothing typed there, the pointer stays, one line.
    pressKey(other);
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
    EXPECT_TRUE(keyReachesTarget()) << "ride-target got no key";
    EXPECT_TRUE(waitUntil([] { return pointer() == kSteered; }, 3s)) << pointer();

    // A child window of the roaming program counts as the program.
    pressKey(child);
    EXPECT_TRUE(keyArrivesAt(child, 3s)) << "the child window of ride-target got no key";

    // A window without names, and no window at all.
    pressKey(nameless);
    EXPECT_FALSE(keyArrivesAt(nameless, 500ms));
    pressKey(DefaultRootWindow(x));
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
    pressKey(other);
    EXPECT_FALSE(keyArrivesAt(other, 500ms));
    EXPECT_TRUE(waitUntil([] { return pointer() == kSteered; }, 3s)) << "the pointer is not guarded: " << pointer();

    EXPECT_TRUE(keyReachesTarget());
}

TEST_F(TargetWindow, WithoutAPatternKeysGoWhereverTheFocusIs)
{
    start();
    pressKey(other);
    EXPECT_TRUE(keyArrivesAt(other, 3s)) << "no key in the other program";
    pressKey(nameless);
    EXPECT_TRUE(keyArrivesAt(nameless, 3s)) << "no key in the nameless window";
    EXPECT_TRUE(keyReachesTarget());
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
