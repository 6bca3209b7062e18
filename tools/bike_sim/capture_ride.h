// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The records a source's bytes carry, as the steps of a ride file: what a controller's rider did,
// taken out of a capture so that it can be ridden again with --ride, edited or compared. A record
// is the marker ":::S=" with its end mark 27 or 29 characters on; bytes around records (garbage,
// broken records) are passed over, and a record split over several chunks counts at the time of
// the chunk that completed it.
#include "bike_sim/ride_file.h"

#include <string>
#include <string_view>
#include <vector>

namespace ride::sim {

class RecordScanner {
public:
    // The records completed by one more chunk, which came `seconds` after the first.
    std::vector<RideStep> feed(std::string_view bytes, double seconds);

private:
    std::string pending_;
};

// "1.250 12 60 ABBBBB", a line as --ride reads it.
std::string rideLine(const RideStep& step);

} // namespace ride::sim
