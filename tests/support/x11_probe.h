// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a test's own X client sees and does on the test's X server: where the pointer stands, the
// events that reach its windows, the keyboard focus, windows' parents and properties, a window
// manager's close request.
// Header-only, so that ride_test_support needs no X11; included after gtest, whose names Xlib's
// macros (None, Bool, Status) would otherwise clash with.
#include "support/screen_point.h"

#include <chrono>
#include <optional>

#include <X11/Xlib.h>
#include <poll.h>

namespace ride::testing {

inline ScreenPoint pointerOn(Display* x)
{
    Window root = 0;
    Window child = 0;
    ScreenPoint p;
    int winX = 0;
    int winY = 0;
    unsigned mask = 0;
    XQueryPointer(x, DefaultRootWindow(x), &root, &child, &p.x, &p.y, &winX, &winY, &mask);
    return p;
}

// Gives `window` the keyboard focus and forgets the events that came before; false if the server
// did not move the focus there.
inline bool focusWindow(Display* x, Window window, int revertTo = RevertToParent)
{
    XSetInputFocus(x, window, revertTo, CurrentTime);
    XSync(x, False);
    while (XPending(x) > 0) {
        XEvent event;
        XNextEvent(x, &event);
    }
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(x, &focus, &revert);
    return focus == window;
}

// The next event that `match` accepts, waiting up to `timeout`. Keyboard mapping changes on the way
// are handed to Xlib, so that key events read after them are translated with the new mapping.
template <class Match>
std::optional<XEvent> nextEvent(Display* x, Match match, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (XPending(x) > 0) {
            XEvent event;
            XNextEvent(x, &event);
            if (event.type == MappingNotify) {
                XRefreshKeyboardMapping(&event.xmapping);
            } else if (match(event)) {
                return event;
            }
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        pollfd p{ConnectionNumber(x), POLLIN, 0};
        poll(&p, 1, static_cast<int>(left.count()));
    }
}

// The parent of `window`; None when the server does not know it.
inline Window parentOf(Display* x, Window window)
{
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(x, window, &root, &parent, &children, &count)) {
        return None;
    }
    if (children) {
        XFree(children);
    }
    return parent;
}

// The one 32-bit value of a window's property of this type (a window, a process id); none when the
// window has no such property.
inline std::optional<unsigned long> windowProperty(Display* x, Window window, Atom property, Atom type)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(x, window, property, 0, 1, False, type, &actualType, &format, &count, &after, &data) !=
        Success) {
        return std::nullopt;
    }
    std::optional<unsigned long> value;
    if (data && count == 1 && format == 32) {
        value = *reinterpret_cast<unsigned long*>(data);
    }
    if (data) {
        XFree(data);
    }
    return value;
}

// What a window manager does when the operator clicks the close button of a window that takes part
// in the delete protocol (one that does not would be killed instead).
inline void askToClose(Display* x, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, window, False, NoEventMask, &event);
    XSync(x, False);
}

} // namespace ride::testing
