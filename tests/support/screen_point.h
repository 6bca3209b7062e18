// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A place on the test's X screen, in pixels from its top left corner.
#include <ostream>

namespace ride::testing {

struct ScreenPoint {
    int x = -1;
    int y = -1;
    bool operator==(const ScreenPoint&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const ScreenPoint& p)
{
    return out << "(" << p.x << ", " << p.y << ")";
}

} // namespace ride::testing
