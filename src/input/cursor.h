// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading and setting the mouse pointer, in physical screen pixels.
// Neither call fails: without a display the backend logs that once, when it is created, and then
// the pointer reads as (0,0) and does not move.
#include <functional>

namespace ride {

struct CursorPoint {
    int x = 0;
    int y = 0;
    bool operator==(const CursorPoint&) const = default;
};

class Cursor {
public:
    using Seen = std::function<void(CursorPoint)>;

    virtual ~Cursor() = default;
    // Waits for the answer where that is a round trip to a display server.
    virtual CursorPoint position() = 0;
    // Returns at once; the display keeps the pointer on the screen.
    virtual void moveTo(CursorPoint where) = 0;

    // Where the pointer stands now, as seen before any later moveTo(): `seen` gets it at once,
    // or, where asking is a round trip, once the answer is in, without anyone waiting for it.
    // Answers come in the order asked, and every one has come when settle() returns.
    virtual void observe(Seen seen) { seen(position()); }
    // Hands out the answers still due, waiting for them if need be.
    virtual void settle() {}
};

} // namespace ride
