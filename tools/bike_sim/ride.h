// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the simulated rider does over time: the built-in demo ride, a constant state, or a
// ride file replayed once or over and over.
#include "bike_sim/record.h"
#include "bike_sim/ride_file.h"

#include <optional>
#include <vector>

namespace ride::sim {

class Ride {
public:
    virtual ~Ride() = default;
    // The state at `seconds` from the start of the ride.
    virtual BikeState at(double seconds) const = 0;
    // Seconds after which the ride is over; none for a ride without end.
    virtual std::optional<double> length() const { return std::nullopt; }
};

// Pedalling faster and slower, steering left and right on other periods, and each of the six
// keys pressed briefly once every 15 seconds, one after the other.
class DemoRide : public Ride {
public:
    BikeState at(double seconds) const override;

    static constexpr double kKeyCycle = 15.0;
    static constexpr double kFirstKeyAt = 2.0;
    static constexpr double kKeySpacing = 2.0;
    static constexpr double kKeyHeld = 0.4;
};

class ConstantRide : public Ride {
public:
    explicit ConstantRide(BikeState state) : state_(state) {}
    BikeState at(double) const override { return state_; }

private:
    BikeState state_;
};

// Each step holds until the next one's time. The last step marks the end of the ride; with
// `loop` the ride starts over from the first step at that moment.
class FileRide : public Ride {
public:
    FileRide(std::vector<RideStep> steps, bool loop);
    BikeState at(double seconds) const override;
    std::optional<double> length() const override;

private:
    std::vector<RideStep> steps_;
    bool loop_;
};

} // namespace ride::sim
