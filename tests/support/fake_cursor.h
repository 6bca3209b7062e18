#pragma once
// A pointer for tests of the console logic: remembers every move, and can be pushed aside by the
// test as if the operator had moved the mouse.
#include "input/cursor.h"

#include <vector>

namespace ride::testing {

class FakeCursor : public Cursor {
public:
    CursorPoint position() override { return at; }
    void moveTo(CursorPoint where) override
    {
        at = where;
        moves.push_back(where);
    }

    CursorPoint at;
    std::vector<CursorPoint> moves;
};

} // namespace ride::testing
