#include "input/x11/x11_cursor.h"

#include "input/x11/x11_display.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include <X11/Xlib.h>

namespace ride {

struct X11Cursor::Connection {
    explicit Connection(std::string_view displayName) : display("cursor", displayName, "the pointer will not move") {}

    X11Display display;
    Window root = 0;
};

X11Cursor::X11Cursor(std::string_view displayName) : x_(std::make_unique<Connection>(displayName))
{
    if (x_->display.isOpen()) {
        x_->root = DefaultRootWindow(x_->display.get());
    }
}

X11Cursor::~X11Cursor() = default;

bool X11Cursor::connected() const
{
    return x_->display.isOpen();
}

CursorPoint X11Cursor::position()
{
    if (!x_->display.isOpen()) {
        return {};
    }
    Window rootReturn = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int winX = 0;
    int winY = 0;
    unsigned int mask = 0;
    XQueryPointer(x_->display.get(), x_->root, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask);
    x_->display.drainEvents();
    return {rootX, rootY};
}

void X11Cursor::moveTo(CursorPoint where)
{
    if (!x_->display.isOpen()) {
        return;
    }
    // The protocol carries 16-bit coordinates: clamp, or 99999 would wrap to a negative
    // number and land on the wrong edge. The server then keeps the pointer on the screen.
    constexpr int lo = std::numeric_limits<std::int16_t>::min();
    constexpr int hi = std::numeric_limits<std::int16_t>::max();
    XWarpPointer(x_->display.get(), None, x_->root, 0, 0, 0, 0, std::clamp(where.x, lo, hi),
                 std::clamp(where.y, lo, hi));
    XFlush(x_->display.get());
    x_->display.drainEvents();
}

} // namespace ride
