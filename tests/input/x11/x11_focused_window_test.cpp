// SPDX-License-Identifier: GPL-3.0-or-later
// The focused top-level window of a private Xvfb, as the target window guard sees it: names,
// children of the program's window, window manager frames, nothing focused, the memory of
// walked windows, and the round trips one question costs.
#include "input/window_pattern.h"
#include "input/x11/x11_cursor.h"
#include "input/x11/x11_display.h"
#include "input/x11/x11_focused_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "support/x11_suite.h"
#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace ride {
namespace {

class X11FocusedWindowTest : public testing::X11Suite<> {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(X11Suite::SetUp());
        connection_ = std::make_unique<X11Display>(xvfb->display());
        source_ = std::make_unique<X11FocusedWindow>(*connection_);
    }

    void TearDown() override
    {
        for (Window w : made_) {
            XDestroyWindow(x, w);
        }
        XSync(x, False);
    }

    static Window root() { return DefaultRootWindow(x); }

    Window window(Window parent)
    {
        const Window w = XCreateSimpleWindow(x, parent, 0, 0, 100, 100, 0, 0, 0);
        XMapWindow(x, w);
        if (parent == root()) {
            made_.push_back(w);
        }
        return w;
    }

    static void setClass(Window w, const char* instance, const char* cls)
    {
        XClassHint hint{const_cast<char*>(instance), const_cast<char*>(cls)};
        XSetClassHint(x, w, &hint);
    }
    static void setNetTitle(Window w, const std::string& utf8)
    {
        XChangeProperty(x, w, XInternAtom(x, "_NET_WM_NAME", False), XInternAtom(x, "UTF8_STRING", False), 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(utf8.data()), int(utf8.size()));
    }
    static void setOldTitle(Window w, const std::string& latin1)
    {
        XChangeProperty(x, w, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(latin1.data()), int(latin1.size()));
    }
    // What a window manager puts on the windows it manages.
    static void setWmState(Window w)
    {
        const Atom wmState = XInternAtom(x, "WM_STATE", False);
        const long state[2] = {1, 0};
        XChangeProperty(x, w, wmState, wmState, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(state), 2);
    }
    static void focus(Window w)
    {
        XSetInputFocus(x, w, RevertToParent, CurrentTime);
        XSync(x, False);
    }

    std::unique_ptr<X11Display> connection_; // goes after the source that borrows it
    std::unique_ptr<X11FocusedWindow> source_;
    std::vector<Window> made_;
};

TEST_F(X11FocusedWindowTest, NamesOfTheFocusedWindow)
{
    const Window roam = window(root());
    setClass(roam, "roamer", "Roamer");
    setNetTitle(roam, "虚拟骑行 - Lake");
    setOldTitle(roam, "old title");
    focus(roam);

    const FocusedWindow got = source_->focusedWindow();
    EXPECT_EQ(got.kind, FocusedWindow::Kind::Client);
    EXPECT_EQ(got.id, roam);
    EXPECT_EQ(got.instance, "roamer");
    EXPECT_EQ(got.windowClass, "Roamer");
    EXPECT_EQ(got.title, "虚拟骑行 - Lake") << "_NET_WM_NAME comes before WM_NAME";
    EXPECT_TRUE(windowMatches("*骑行*", got));
    EXPECT_TRUE(windowMatches("roam*", got));
}

TEST_F(X11FocusedWindowTest, WindowWithoutClassHasOnlyItsLatin1Title)
{
    const Window plain = window(root());
    setOldTitle(plain, "caf\xe9");
    focus(plain);
    const FocusedWindow got = source_->focusedWindow();
    EXPECT_EQ(got.kind, FocusedWindow::Kind::Client);
    EXPECT_FALSE(got.instance.has_value());
    EXPECT_FALSE(got.windowClass.has_value());
    EXPECT_EQ(got.title, "café");

    const Window bare = window(root());
    focus(bare);
    const FocusedWindow none = source_->focusedWindow();
    EXPECT_EQ(none.kind, FocusedWindow::Kind::Client);
    EXPECT_EQ(none.id, bare);
    EXPECT_FALSE(none.title.has_value());
    EXPECT_FALSE(windowMatches("*", none));
}

TEST_F(X11FocusedWindowTest, RootNoneAndPointerRootAreNothing)
{
    for (const Window w : {root(), Window(None), Window(PointerRoot)}) {
        focus(w);
        const FocusedWindow got = source_->focusedWindow();
        EXPECT_EQ(got.kind, FocusedWindow::Kind::Nothing) << "focus " << w;
        EXPECT_FALSE(windowMatches("*", got));
    }
}

TEST_F(X11FocusedWindowTest, ChildOfTheProgramCountsAsTheProgram)
{
    const Window roam = window(root());
    setClass(roam, "roamer", "Roamer");
    const Window inner = window(roam);
    const Window innermost = window(inner);
    setClass(innermost, "widget", "Widget"); // a child's own names do not count
    XSync(x, False);
    focus(innermost);

    const FocusedWindow got = source_->focusedWindow();
    EXPECT_EQ(got.kind, FocusedWindow::Kind::Client);
    EXPECT_EQ(got.id, roam);
    EXPECT_EQ(got.instance, "roamer");
}

TEST_F(X11FocusedWindowTest, FramesOfAWindowManagerAreSeenThrough)
{
    // frame (child of the root, no WM_STATE) > client (WM_STATE) > child
    const Window frame = window(root());
    const Window client = window(frame);
    setWmState(client);
    setClass(client, "roamer", "Roamer");
    const Window child = window(client);
    XSync(x, False);

    focus(child);
    EXPECT_EQ(source_->focusedWindow().id, client) << "walking up stops at WM_STATE";
    focus(frame);
    EXPECT_EQ(source_->focusedWindow().id, client) << "a focused frame leads down to its client";
}

TEST_F(X11FocusedWindowTest, TwoRoundTripsOnceTheFocusWindowIsKnown)
{
    const Window roam = window(root());
    setClass(roam, "roamer", "Roamer");
    const Window inner = window(roam);
    const Window innermost = window(inner);
    XSync(x, False);
    focus(innermost);

    const auto before = source_->roundTrips();
    ASSERT_EQ(source_->focusedWindow().id, roam);
    const auto first = source_->roundTrips() - before;
    // atoms once, the focus, three levels up, the names
    EXPECT_EQ(first, 1u + 1u + 3u + 1u);
    for (int i = 0; i < 5; ++i) {
        const auto start = source_->roundTrips();
        ASSERT_EQ(source_->focusedWindow().id, roam);
        EXPECT_EQ(source_->roundTrips() - start, 2u);
    }
}

TEST_F(X11FocusedWindowTest, AWindowMovedToAnotherProgramIsWalkedAgain)
{
    const Window roam = window(root());
    setClass(roam, "roamer", "Roamer");
    const Window other = window(root());
    setClass(other, "xterm", "XTerm");
    const Window child = window(roam);
    XSync(x, False);
    focus(child);
    ASSERT_EQ(source_->focusedWindow().id, roam);

    XReparentWindow(x, child, other, 0, 0);
    XMapWindow(x, child);
    XSync(x, False);
    focus(child);
    const FocusedWindow got = source_->focusedWindow();
    EXPECT_EQ(got.id, other);
    EXPECT_EQ(got.instance, "xterm");

    // Destroyed: the focus falls back to its parent, and the memory of the child goes.
    XDestroyWindow(x, child);
    XSync(x, False);
    EXPECT_EQ(source_->focusedWindow().id, other);
}

TEST_F(X11FocusedWindowTest, AReparentReadByThePointerOnTheSharedConnectionStillReachesTheMemory)
{
    const Window roam = window(root());
    const Window other = window(root());
    const Window child = window(roam);
    XSync(x, False);
    focus(child);
    ASSERT_EQ(source_->focusedWindow().id, roam);

    XReparentWindow(x, child, other, 0, 0);
    XMapWindow(x, child);
    focus(child);
    X11Cursor cursor(*connection_);
    (void)cursor.position(); // a round trip on the shared connection reads the ReparentNotify
    EXPECT_EQ(source_->focusedWindow().id, other);
}

TEST_F(X11FocusedWindowTest, WindowsOnScreenAreTheMappedProgramsWithTheirNames)
{
    const Window roam = window(root());
    setClass(roam, "roamer", "Roamer");
    setNetTitle(roam, "Lake");
    const Window frame = window(root());
    const Window framed = window(frame);
    setWmState(framed);
    setOldTitle(framed, "framed");
    const Window hidden = XCreateSimpleWindow(x, root(), 0, 0, 10, 10, 0, 0, 0);
    made_.push_back(hidden);
    setClass(hidden, "hidden", "Hidden");
    XSync(x, False);

    const auto windows = source_->windowsOnScreen();
    const auto find = [&](Window id) {
        return std::find_if(windows.begin(), windows.end(), [id](const FocusedWindow& w) { return w.id == id; });
    };
    ASSERT_NE(find(roam), windows.end());
    EXPECT_EQ(find(roam)->instance, "roamer");
    EXPECT_EQ(find(roam)->title, "Lake");
    ASSERT_NE(find(framed), windows.end()) << "the client inside a frame stands for the frame";
    EXPECT_EQ(find(framed)->title, "framed");
    EXPECT_EQ(find(frame), windows.end());
    EXPECT_EQ(find(hidden), windows.end()) << "an unmapped window is not on screen";
}

TEST(X11FocusedWindowWithoutDisplay, AnswersUnknown)
{
    ::testing::internal::CaptureStderr();
    X11Display none(":9999");
    X11FocusedWindow source(none);
    const FocusedWindow got = source.focusedWindow();
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(got.kind, FocusedWindow::Kind::Unknown);
    EXPECT_NE(log.find("cannot open X display \":9999\""), std::string::npos) << log;
    // Opened once: a second question neither retries nor logs again.
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(source.focusedWindow().kind, FocusedWindow::Kind::Unknown);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

} // namespace
} // namespace ride
