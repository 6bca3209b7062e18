#pragma once
// Reading and setting the mouse pointer, in physical screen pixels.
// Neither call fails: without a display the backend logs that once, when it is created, and then
// the pointer reads as (0,0) and does not move.

namespace ride {

struct CursorPoint {
    int x = 0;
    int y = 0;
    bool operator==(const CursorPoint&) const = default;
};

class Cursor {
public:
    virtual ~Cursor() = default;
    virtual CursorPoint position() = 0;
    // Returns at once; the display keeps the pointer on the screen.
    virtual void moveTo(CursorPoint where) = 0;
};

} // namespace ride
