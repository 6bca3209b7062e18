// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The mouse pointer of an X display, on the connection it shares with the keys and the focus.
#include "input/cursor.h"

#include <cstddef>
#include <deque>

struct xcb_connection_t;

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
    // One XWarpPointer, flushed: nothing is waited for.
    void moveTo(CursorPoint where) override;
    // Sends the question and returns: the answer is collected by a later observe(), moveTo() or
    // settle(), whichever comes first after it has arrived.
    void observe(Seen seen) override;
    void settle() override;

    // Questions sent whose answers have not been handed out yet.
    std::size_t outstanding() const { return pending_.size(); }

private:
    struct Question {
        unsigned int sequence;
        Seen seen;
    };
    // Hands out the answers in, in order; with `wait`, all of them, waiting for the rest.
    void collect(bool wait);

    X11Display& display_;
    xcb_connection_t* xcb_ = nullptr;
    unsigned long root_ = 0;
    std::deque<Question> pending_;
};

} // namespace ride
