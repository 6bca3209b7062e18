#include "input/x11/x11_cursor.h"

#include "input/x11/x11_display.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include <X11/Xlib.h>

namespace ride {

X11Cursor::X11Cursor(X11Display& display) : display_(display)
{
    if (display_.isOpen()) {
        root_ = DefaultRootWindow(display_.get());
    } else {
        display_.logUnavailable("cursor", "the pointer will not move");
    }
}

bool X11Cursor::connected() const
{
    return display_.isOpen();
}

CursorPoint X11Cursor::position()
{
    if (!display_.isOpen()) {
        return {};
    }
    Window rootReturn = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int winX = 0;
    int winY = 0;
    unsigned int mask = 0;
    XQueryPointer(display_.get(), root_, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask);
    display_.drainEvents();
    return {rootX, rootY};
}

void X11Cursor::moveTo(CursorPoint where)
{
    if (!display_.isOpen()) {
        return;
    }
    // The protocol carries 16-bit coordinates: clamp, or 99999 would wrap to a negative
    // number and land on the wrong edge. The server then keeps the pointer on the screen.
    constexpr int lo = std::numeric_limits<std::int16_t>::min();
    constexpr int hi = std::numeric_limits<std::int16_t>::max();
    XWarpPointer(display_.get(), None, root_, 0, 0, 0, 0, std::clamp(where.x, lo, hi), std::clamp(where.y, lo, hi));
    // Flushed at once: the warp must not wait in the buffer for the next request of the keys or
    // the focus on the same connection.
    XFlush(display_.get());
    display_.drainEvents();
}

} // namespace ride
