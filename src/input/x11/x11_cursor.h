#pragma once
// The mouse pointer of an X display, through a connection of its own.
#include "input/cursor.h"

#include <memory>
#include <string_view>

namespace ride {

class X11Cursor : public Cursor {
public:
    // An empty name means $DISPLAY. Without a display the pointer reads as (0,0) and does not move.
    explicit X11Cursor(std::string_view displayName = {});
    ~X11Cursor() override;
    X11Cursor(const X11Cursor&) = delete;
    X11Cursor& operator=(const X11Cursor&) = delete;

    bool connected() const;
    CursorPoint position() override;
    void moveTo(CursorPoint where) override;

private:
    struct Connection; // keeps Xlib out of this header
    std::unique_ptr<Connection> x_;
};

} // namespace ride
