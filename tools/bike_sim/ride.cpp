// SPDX-License-Identifier: GPL-3.0-or-later
#include "bike_sim/ride.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ride::sim {

BikeState DemoRide::at(double seconds) const
{
    constexpr double tau = 2 * std::numbers::pi;
    BikeState state;
    // Speed 6..50 keeps the pointer inside the upper half of the default travel; direction
    // 25..155 swings it over most of the width without reaching the edges.
    state.speed = static_cast<int>(std::lround(28 + 22 * std::sin(tau * seconds / 9.0)));
    state.direction = static_cast<int>(std::lround(90 + 65 * std::sin(tau * seconds / 7.0)));
    const double inCycle = std::fmod(seconds, kKeyCycle);
    for (int k = 0; k < kKeyCount; ++k) {
        const double pressAt = kFirstKeyAt + k * kKeySpacing;
        state.keys[static_cast<std::size_t>(k)] = inCycle >= pressAt && inCycle < pressAt + kKeyHeld;
    }
    return state;
}

FileRide::FileRide(std::vector<RideStep> steps, bool loop) : steps_(std::move(steps)), loop_(loop) {}

BikeState FileRide::at(double seconds) const
{
    if (steps_.empty()) {
        return {};
    }
    const double end = steps_.back().time;
    if (loop_ && end > 0 && seconds >= end) {
        seconds = std::fmod(seconds, end);
    }
    // The last step whose time has come; before the first one, the first one.
    auto after = std::upper_bound(steps_.begin(), steps_.end(), seconds,
                                  [](double t, const RideStep& step) { return t < step.time; });
    if (after == steps_.begin()) {
        return steps_.front().state;
    }
    return std::prev(after)->state;
}

std::optional<double> FileRide::length() const
{
    if (loop_ || steps_.empty()) {
        return std::nullopt;
    }
    return steps_.back().time;
}

} // namespace ride::sim
