// SPDX-License-Identifier: GPL-3.0-or-later
#include "bike_sim/record.h"

#include <algorithm>
#include <cstdio>

namespace ride::sim {

std::string formatField(int value)
{
    value = std::clamp(value, kFieldMin, kFieldMax);
    char text[8];
    if (value < 0) {
        std::snprintf(text, sizeof text, "-%02d", -value);
    } else {
        std::snprintf(text, sizeof text, "%03d", value);
    }
    return text;
}

std::string formatRecord(const BikeState& state, RecordLength length)
{
    // The characters after speed and direction are not read by the console; the controller's
    // own use of them is unknown, so they carry a filler that is easy to spot in a log.
    std::string record = ":::S=" + formatField(state.speed) + "xxx" + formatField(state.direction) + "xxxxxx,DI";
    const int flags = length == RecordLength::Full ? kKeyCount : kKeyCount - 2;
    for (int k = 0; k < flags; ++k) {
        record.push_back(state.keys[static_cast<std::size_t>(k)] ? 'A' : 'B');
    }
    record.push_back('.');
    return record;
}

} // namespace ride::sim
