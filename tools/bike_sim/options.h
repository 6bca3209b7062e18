// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// bike-sim's command line.
#include "bike_sim/malformed_record.h"
#include "bike_sim/record.h"
#include "io/arrival.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace ride::sim {

enum class RideKind { Demo, Constant, File, Replay };

struct Options {
    // Transports: a pseudo-terminal of our own (optionally reachable through a link) or a real
    // serial device; and/or a TCP listener for the console's channel.
    bool serial = false;
    std::string link;
    std::string device;
    int baud = 9600;
    bool tcp = false;
    std::string tcpAddress = "127.0.0.1";
    int tcpPort = 0;

    RideKind ride = RideKind::Demo;
    BikeState constant;
    std::string rideFile;
    bool loop = false;
    double duration = 0; // seconds of riding; 0: no limit

    // A capture of ride-console played back: the incoming bytes of one source.
    std::string replayFile;
    LineSource replaySource;
    double speed = 1;
    // Prints the capture's records as a ride file instead of playing it.
    bool toRide = false;

    int intervalMs = 50;
    RecordLength length = RecordLength::Full;
    std::vector<Malform> malforms;
    int malformEvery = 5;
    std::uint32_t seed = 1;
    bool verbose = false;
    double reconnectWait = 3;

    bool help = false;
};

struct OptionError {
    std::string message;
};

std::variant<Options, OptionError> parseOptions(const std::vector<std::string>& args);

std::string usageText();

} // namespace ride::sim
