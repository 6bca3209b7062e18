// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A pointer for tests of the console logic: remembers every move, and can be pushed aside by the
// test as if the operator had moved the mouse. With `answersLate` it answers observe() only on
// settle(), as a display server's pointer does, each answer being where the pointer stood when
// asked.
#include "input/cursor.h"

#include <utility>
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
    void observe(Seen seen) override
    {
        if (!answersLate) {
            seen(at);
            return;
        }
        due.emplace_back(at, std::move(seen));
    }
    void settle() override
    {
        std::vector<std::pair<CursorPoint, Seen>> answers;
        answers.swap(due);
        for (auto& [where, seen] : answers) {
            seen(where);
        }
    }

    CursorPoint at;
    std::vector<CursorPoint> moves;
    bool answersLate = false;
    std::vector<std::pair<CursorPoint, Seen>> due;
};

} // namespace ride::testing
