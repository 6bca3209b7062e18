// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How many bike records came from one source, and when the last of them came, on the monotonic
// clock (a change of the wall clock must not make a silent controller look fresh). The clock is a
// parameter so that tests can drive it.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace ride {

using MonotonicTime = std::chrono::steady_clock::time_point;
using MonotonicClock = std::function<MonotonicTime()>;

inline MonotonicTime steadyNow()
{
    return std::chrono::steady_clock::now();
}

struct RecordTally {
    std::uint64_t count = 0;
    std::optional<MonotonicTime> last;

    void add(std::uint64_t records, MonotonicTime when)
    {
        if (records > 0) {
            count += records;
            last = when;
        }
    }
};

} // namespace ride
