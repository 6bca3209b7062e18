// SPDX-License-Identifier: GPL-3.0-or-later
// bike-sim: plays the bike controller for ride-console over a serial line and/or TCP.
#include "bike_sim/capture_ride.h"
#include "bike_sim/options.h"
#include "bike_sim/replay.h"
#include "bike_sim/ride.h"
#include "bike_sim/ride_file.h"
#include "bike_sim/simulator.h"

#include <csignal>
#include <fstream>
#include <iostream>

#include <fcntl.h>
#include <unistd.h>

namespace {

int stopPipe[2] = {-1, -1};

void requestStop(int)
{
    const char byte = 1;
    // Nothing to do if the pipe is full: a stop is already waiting.
    [[maybe_unused]] const ssize_t n = write(stopPipe[1], &byte, 1);
}

// --to-ride: the records of the capture's chosen source, as a ride file on standard output.
int printRide(const ride::sim::Options& options)
{
    using namespace ride::sim;
    std::string error;
    auto replay = CaptureReplay::open(options.replayFile, options.replaySource, error);
    if (!replay) {
        std::cerr << "bike-sim: " << error << "\n";
        return 2;
    }
    RecordScanner scanner;
    std::vector<RideStep> steps;
    while (auto chunk = replay->next()) {
        for (const RideStep& step : scanner.feed(chunk->bytes, chunk->seconds)) {
            steps.push_back(step);
        }
    }
    std::cout << "# the records from " << sourceName(options.replaySource) << " in the capture " << options.replayFile
              << ": " << steps.size() << "\n# seconds speed direction keys\n";
    for (const RideStep& step : steps) {
        std::cout << rideLine(step) << "\n";
    }
    if (replay->stopped()) {
        std::cerr << "bike-sim: stopped at " << replay->describeStop() << "\n";
        return 1;
    }
    return 0;
}

std::unique_ptr<ride::sim::Ride> makeRide(const ride::sim::Options& options)
{
    using namespace ride::sim;
    switch (options.ride) {
    case RideKind::Replay: return nullptr;
    case RideKind::Demo: return std::make_unique<DemoRide>();
    case RideKind::Constant: return std::make_unique<ConstantRide>(options.constant);
    case RideKind::File: {
        std::ifstream in(options.rideFile);
        if (!in) {
            std::cerr << "bike-sim: cannot read the ride file " << options.rideFile << "\n";
            return nullptr;
        }
        RideFile file = parseRideFile(in);
        if (!file.errors.empty()) {
            for (const auto& error : file.errors) {
                std::cerr << "bike-sim: " << describeError(options.rideFile, error) << "\n";
            }
            std::cerr << "bike-sim: " << file.errors.size() << " bad line(s) in " << options.rideFile
                      << "; nothing sent\n";
            return nullptr;
        }
        return std::make_unique<FileRide>(std::move(file.steps), options.loop);
    }
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    const auto parsed = ride::sim::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto* error = std::get_if<ride::sim::OptionError>(&parsed)) {
        std::cerr << "bike-sim: " << error->message << "\n";
        return 2;
    }
    const auto& options = std::get<ride::sim::Options>(parsed);
    if (options.help) {
        std::cout << ride::sim::usageText();
        return 0;
    }
    std::unique_ptr<ride::sim::Ride> ride;
    std::unique_ptr<ride::sim::CaptureReplay> replay;
    if (options.ride == ride::sim::RideKind::Replay) {
        if (options.toRide) {
            return printRide(options);
        }
        std::string error;
        replay = ride::sim::CaptureReplay::open(options.replayFile, options.replaySource, error);
        if (!replay) {
            std::cerr << "bike-sim: " << error << "\n";
            return 2;
        }
    } else if (!(ride = makeRide(options))) {
        return 2;
    }

    // A console that goes away shows up as a write error, not as a signal that ends us
    // before we can say so and tidy up.
    std::signal(SIGPIPE, SIG_IGN);
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::cerr << "bike-sim: cannot make the stop pipe\n";
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }

    ride::sim::Simulator simulator(options, std::move(ride), std::move(replay), std::cout, stopPipe[0]);
    if (!simulator.open()) {
        return 1;
    }
    return simulator.run();
}
