// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Watches a timer of the model as the real event loop drives it: the longest time between two
// ticks tells whether the handler in front of it kept the UI thread for too long.
#include "ui/timer.h"

#include <chrono>
#include <optional>

namespace ride::testing {

class TickGaps {
public:
    explicit TickGaps(Timer& timer)
    {
        timer.onTick([this] {
            const auto now = std::chrono::steady_clock::now();
            if (last_ && measuring_) {
                longest_ = std::max(longest_, now - *last_);
                ++ticks_;
            }
            last_ = now;
        });
    }

    // Starts counting afresh (the gap before the first tick after this does not count).
    void start()
    {
        measuring_ = true;
        longest_ = {};
        ticks_ = 0;
        last_.reset();
    }
    void stop() { measuring_ = false; }

    double longestMs() const { return std::chrono::duration<double, std::milli>(longest_).count(); }
    long ticks() const { return ticks_; }

private:
    bool measuring_ = false;
    std::optional<std::chrono::steady_clock::time_point> last_;
    std::chrono::steady_clock::duration longest_{};
    long ticks_ = 0;
};

} // namespace ride::testing
