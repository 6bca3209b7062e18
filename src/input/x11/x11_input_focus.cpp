#include "input/x11/x11_input_focus.h"

#include "input/x11/x11_display.h"

#include <X11/Xlib.h>

namespace ride {

struct X11InputFocus::Connection {
    explicit Connection(std::string_view displayName)
        : display("focus", displayName, "the keyboard focus will not be given back")
    {
    }

    X11Display display;
};

X11InputFocus::X11InputFocus(std::string_view displayName) : x_(std::make_unique<Connection>(displayName)) {}

X11InputFocus::~X11InputFocus() = default;

bool X11InputFocus::connected() const
{
    return x_->display.isOpen();
}

FocusWindow X11InputFocus::current()
{
    if (!x_->display.isOpen()) {
        return 0;
    }
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(x_->display.get(), &focus, &revertTo);
    x_->display.drainEvents();
    // PointerRoot is no window of anyone's: the focus follows the pointer.
    if (focus == None || focus == PointerRoot) {
        return 0;
    }
    return focus;
}

bool X11InputFocus::giveTo(FocusWindow window)
{
    if (!x_->display.isOpen() || window == 0) {
        return false;
    }
    Display* display = x_->display.get();
    // The window may have gone since it was remembered: asking about it then fails with
    // BadWindow, which the connection counts instead of ending the program.
    const int errorsBefore = x_->display.errorCount();
    XWindowAttributes attributes{};
    const Status known = XGetWindowAttributes(display, window, &attributes);
    if (known == 0 || x_->display.errorCount() != errorsBefore || attributes.map_state != IsViewable) {
        x_->display.drainEvents();
        return false;
    }
    // It may still go between the question and the request; the server then refuses with an
    // error that is counted, and the focus stays where it was.
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    x_->display.drainEvents();
    return x_->display.errorCount() == errorsBefore;
}

} // namespace ride
