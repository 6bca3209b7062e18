// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard focus backend against a private Xvfb, checked with the X server's own answer.
#include "input/x11/x11_display.h"
#include "input/x11/x11_input_focus.h"

#include <gtest/gtest.h>

#include "support/x11_suite.h"

namespace ride {
namespace {

class X11InputFocusTest : public testing::X11Suite<> {
protected:
    static Window makeWindow(bool mapped)
    {
        const Window w = XCreateSimpleWindow(x, DefaultRootWindow(x), 10, 10, 100, 100, 0, 0, 0);
        if (mapped) {
            XMapWindow(x, w);
        }
        XSync(x, False);
        return w;
    }

    static Window serverFocus()
    {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(x, &focus, &revert);
        return focus;
    }

    static void focus(Window w)
    {
        XSetInputFocus(x, w, RevertToPointerRoot, CurrentTime);
        XSync(x, False);
    }
};

TEST_F(X11InputFocusTest, ReadsTheFocusedWindowAndNoneForPointerRoot)
{
    X11Display connection(xvfb->display());
    X11InputFocus backend(connection);
    ASSERT_TRUE(backend.connected());
    const Window w = makeWindow(true);
    focus(w);
    EXPECT_EQ(backend.current(), w);

    focus(PointerRoot);
    EXPECT_EQ(backend.current(), 0u) << "the focus following the pointer is no window";
    focus(None);
    EXPECT_EQ(backend.current(), 0u);
    XDestroyWindow(x, w);
}

TEST_F(X11InputFocusTest, GivesTheFocusToAViewableWindowOnly)
{
    X11Display connection(xvfb->display());
    X11InputFocus backend(connection);
    const Window shown = makeWindow(true);
    const Window other = makeWindow(true);
    const Window unmapped = makeWindow(false);
    focus(other);

    EXPECT_TRUE(backend.giveTo(shown));
    EXPECT_EQ(serverFocus(), shown);

    focus(other);
    EXPECT_FALSE(backend.giveTo(unmapped)) << "a window off screen cannot have the focus";
    EXPECT_EQ(serverFocus(), other);
    EXPECT_FALSE(backend.giveTo(0));
    EXPECT_EQ(serverFocus(), other);

    for (Window w : {shown, other, unmapped}) {
        XDestroyWindow(x, w);
    }
}

TEST_F(X11InputFocusTest, AWindowThatWentAwayIsRefusedAndTheBackendGoesOn)
{
    X11Display connection(xvfb->display());
    X11InputFocus backend(connection);
    const Window keeper = makeWindow(true);
    const Window gone = makeWindow(true);
    focus(keeper);
    XDestroyWindow(x, gone);
    XSync(x, False);

    // Asking about the destroyed window draws BadWindow from the server: counted, not fatal.
    EXPECT_FALSE(backend.giveTo(gone));
    EXPECT_EQ(serverFocus(), keeper);
    // The connection still works afterwards.
    const Window next = makeWindow(true);
    EXPECT_TRUE(backend.giveTo(next));
    EXPECT_EQ(serverFocus(), next);
    EXPECT_EQ(backend.current(), next);
    XDestroyWindow(x, keeper);
    XDestroyWindow(x, next);
}

TEST_F(X11InputFocusTest, WithoutADisplayNobodyHasTheFocusAndNoneIsGiven)
{
    X11Display none(":99999");
    X11InputFocus backend(none);
    EXPECT_FALSE(backend.connected());
    EXPECT_EQ(backend.current(), 0u);
    EXPECT_FALSE(backend.giveTo(1234));
}

} // namespace
} // namespace ride
