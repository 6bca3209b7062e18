// SPDX-License-Identifier: GPL-3.0-or-later
#include "ride_target/x11_focus.h"

#include <X11/Xlib.h>

namespace ride::target {
namespace {

Display* asDisplay(void* display)
{
    return static_cast<Display*>(display);
}

// A window that was unmapped between our look and our request makes the server answer with an
// error; Xlib's default handler would end the program for it.
int ignoreError(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

X11Focus::X11Focus() : display_(XOpenDisplay(nullptr)) {}

X11Focus::~X11Focus()
{
    if (display_) {
        XCloseDisplay(asDisplay(display_));
    }
}

bool X11Focus::holds(unsigned long window) const
{
    if (!display_) {
        return false;
    }
    Display* d = asDisplay(display_);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    // PointerRoot (1) and None (0) are not windows; the focus is nobody's in particular then.
    while (focus > PointerRoot) {
        if (focus == window) {
            return true;
        }
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, focus, &root, &parent, &children, &count)) {
            return false;
        }
        if (children) {
            XFree(children);
        }
        if (parent == root) {
            return false;
        }
        focus = parent;
    }
    return false;
}

bool X11Focus::take(unsigned long window)
{
    if (!display_) {
        return false;
    }
    Display* d = asDisplay(display_);
    const auto previous = XSetErrorHandler(ignoreError);
    XWindowAttributes attributes{};
    bool taken = false;
    if (XGetWindowAttributes(d, window, &attributes) && attributes.map_state == IsViewable) {
        XSetInputFocus(d, window, RevertToParent, CurrentTime);
        XSync(d, False);
        taken = holds(window);
    }
    XSync(d, False);
    XSetErrorHandler(previous);
    return taken;
}

} // namespace ride::target
