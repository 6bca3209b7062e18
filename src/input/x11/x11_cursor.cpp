#include "input/x11/x11_cursor.h"

#include "base/log.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include <X11/Xlib.h>

namespace ride {

struct X11Cursor::Connection {
    Display* display = nullptr;
    Window root = 0;

    // Nobody reads this connection's events, but the server sends MappingNotify to every
    // client; without draining they would pile up for the life of the program.
    void drainEvents()
    {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
    }
};

X11Cursor::X11Cursor(std::string_view displayName) : x_(std::make_unique<Connection>())
{
    const std::string name(displayName);
    x_->display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (!x_->display) {
        logError("cursor", "cannot open X display \"" + (name.empty() ? std::string("$DISPLAY") : name) +
                "\"; the pointer will not move");
        return;
    }
    x_->root = DefaultRootWindow(x_->display);
}

X11Cursor::~X11Cursor()
{
    if (x_->display)
        XCloseDisplay(x_->display);
}

bool X11Cursor::connected() const
{
    return x_->display != nullptr;
}

CursorPoint X11Cursor::position()
{
    if (!x_->display)
        return {};
    Window rootReturn = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int winX = 0;
    int winY = 0;
    unsigned int mask = 0;
    XQueryPointer(x_->display, x_->root, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask);
    x_->drainEvents();
    return {rootX, rootY};
}

void X11Cursor::moveTo(CursorPoint where)
{
    if (!x_->display)
        return;
    // The protocol carries 16-bit coordinates: clamp, or 99999 would wrap to a negative
    // number and land on the wrong edge. The server then keeps the pointer on the screen.
    constexpr int lo = std::numeric_limits<std::int16_t>::min();
    constexpr int hi = std::numeric_limits<std::int16_t>::max();
    XWarpPointer(x_->display, None, x_->root, 0, 0, 0, 0, std::clamp(where.x, lo, hi), std::clamp(where.y, lo, hi));
    XFlush(x_->display);
    x_->drainEvents();
}

} // namespace ride
