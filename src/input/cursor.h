#pragma once
// Reading and setting the mouse pointer, in physical screen pixels.

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
