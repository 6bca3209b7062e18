// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the console reads a record out of its receive box, as far as bike-sim's tests need it:
// the first marker, the first "." at or after it 27 or 29 characters on, the fields at their
// offsets read as a leading number (0 when there is none).
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace ride::sim::testing {

struct ConsoleReading {
    int speed = 0;
    int direction = 0;
    std::string flags; // the six characters at offsets 23..28, as far as the box reaches
};

inline int leadingNumber(std::string_view field)
{
    const std::string text(field);
    return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

inline std::optional<ConsoleReading> readAsConsole(std::string_view box)
{
    const auto p = box.find(":::S=");
    if (p == std::string_view::npos) {
        return std::nullopt;
    }
    const auto e = box.find('.', p);
    if (e == std::string_view::npos || (e - p != 27 && e - p != 29)) {
        return std::nullopt;
    }
    ConsoleReading reading;
    reading.speed = leadingNumber(box.substr(p + 5, 3));
    reading.direction = leadingNumber(box.substr(p + 11, 3));
    if (box.substr(p + 20, 3) == ",DI") {
        reading.flags = std::string(box.substr(p + 23, 6));
    }
    return reading;
}

} // namespace ride::sim::testing
