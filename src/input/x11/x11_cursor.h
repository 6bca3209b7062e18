#pragma once
// The mouse pointer of an X display, on the connection it shares with the keys and the focus.
#include "input/cursor.h"

namespace ride {

class X11Display;

class X11Cursor : public Cursor {
public:
    // Uses `display`, which must outlive it. When the display is not open it logs that now, and
    // the pointer reads as (0,0) and does not move.
    explicit X11Cursor(X11Display& display);
    X11Cursor(const X11Cursor&) = delete;
    X11Cursor& operator=(const X11Cursor&) = delete;

    bool connected() const;
    CursorPoint position() override;
    void moveTo(CursorPoint where) override;

private:
    X11Display& display_;
    unsigned long root_ = 0;
};

} // namespace ride
