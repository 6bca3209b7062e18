// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A ride written down one step a line, so that an installer can replay a recorded session:
//
//   # seconds  speed  direction  keys
//   0.0        10     90         BBBBBB
//   1.5        12     60         ABBBBB
//
// Time is counted from the start of the ride and never goes back; speed and direction are
// whole numbers from -99 to 999; keys are six characters, A (or 1) pressed and B (or 0)
// released. Fields are separated by blanks, tabs, commas or semicolons; "#" starts a comment.
#include "bike_sim/record.h"

#include <istream>
#include <string>
#include <vector>

namespace ride::sim {

struct RideStep {
    double time = 0;
    BikeState state;
};

struct RideFileError {
    int line = 0; // 0: the file as a whole
    std::string message;
};

struct RideFile {
    std::vector<RideStep> steps;
    std::vector<RideFileError> errors; // every bad line, in file order
};

RideFile parseRideFile(std::istream& in);

// "ride.txt:7: speed "1000" is not a whole number from -99 to 999".
std::string describeError(const std::string& fileName, const RideFileError& error);

} // namespace ride::sim
