// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/x11/x11_input_focus.h"

#include "input/x11/x11_display.h"

#include <X11/Xlib.h>

namespace ride {

X11InputFocus::X11InputFocus(X11Display& display) : display_(display)
{
    if (!display_.isOpen()) {
        display_.logUnavailable("focus", "the keyboard focus will not be given back");
    }
}

bool X11InputFocus::connected() const
{
    return display_.isOpen();
}

FocusWindow X11InputFocus::current()
{
    if (!display_.isOpen()) {
        return 0;
    }
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(display_.get(), &focus, &revertTo);
    display_.drainEvents();
    // PointerRoot is no window of anyone's: the focus follows the pointer.
    if (focus == None || focus == PointerRoot) {
        return 0;
    }
    return focus;
}

bool X11InputFocus::giveTo(FocusWindow window)
{
    if (!display_.isOpen() || window == 0) {
        return false;
    }
    Display* display = display_.get();
    // The window may have gone since it was remembered: asking about it then fails with
    // BadWindow, which the connection counts instead of ending the program.
    const unsigned long mark = display_.markRequests();
    XWindowAttributes attributes{};
    const Status known = XGetWindowAttributes(display, window, &attributes);
    if (known == 0 || display_.errorsSince(mark).count != 0 || attributes.map_state != IsViewable) {
        display_.drainEvents();
        return false;
    }
    // It may still go between the question and the request; the server then refuses with an
    // error that is counted, and the focus stays where it was.
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    display_.drainEvents();
    return display_.errorsSince(mark).count == 0;
}

} // namespace ride
