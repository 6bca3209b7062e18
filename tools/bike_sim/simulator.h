// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// bike-sim's main loop: one thread, one poll() over the console's connections, the stop
// signal and the record clock.
#include "bike_sim/malformed_record.h"
#include "bike_sim/options.h"
#include "bike_sim/replay.h"
#include "bike_sim/ride.h"
#include "bike_sim/serial_end.h"
#include "bike_sim/tcp_end.h"

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <ostream>
#include <random>

namespace ride::sim {

class Simulator {
public:
    // `stopFd` becomes readable when the simulator is to end (Ctrl-C). Either `ride` makes the
    // records, or `replay` gives the bytes of a capture.
    Simulator(Options options, std::unique_ptr<Ride> ride, std::unique_ptr<CaptureReplay> replay, std::ostream& out,
              int stopFd);

    // Opens the transports and prints where the console finds them. False, after printing
    // why, when one of them cannot be opened.
    bool open();
    // Runs until stopped, until the ride is over, or until the console has gone away and not
    // come back within the reconnect wait. Returns the exit status.
    int run();

private:
    using Clock = std::chrono::steady_clock;
    struct Piece {
        Clock::time_point due;
        std::string bytes;
    };

    void say(const std::string& line);
    void notePresence(Clock::time_point now);
    bool consoleConnected() const;
    // False when the ride is over and its last record has been handed out.
    bool makeRecord(Clock::time_point now);
    void reportKeys(const BikeState& state);
    // Hands out the capture's chunks that are due; false once the last one has been.
    bool playReplay(Clock::time_point now);
    Clock::time_point dueAt(const ReplayChunk& chunk) const;
    void deliver(const std::string& bytes);
    bool flushAll();
    void readPeer(TcpPeer& peer, bool& closed);
    void readSerial();
    std::optional<Clock::time_point> nextWake(Clock::time_point now) const;

    Options options_;
    std::unique_ptr<Ride> ride_;
    std::unique_ptr<CaptureReplay> replay_;
    std::optional<ReplayChunk> nextChunk_;
    bool replayOver_ = false;
    std::optional<Clock::time_point> lingerUntil_;
    long long bytesSent_ = 0;
    std::ostream& out_;
    int stopFd_;
    std::unique_ptr<SerialEnd> serial_;
    std::unique_ptr<TcpEnd> tcp_;
    std::mt19937 random_;

    bool serialThere_ = false;
    bool everConnected_ = false;
    std::optional<Clock::time_point> goneSince_;
    std::optional<Clock::time_point> rideStart_;
    Clock::time_point nextRecord_;
    long long ticks_ = 0;
    bool lastRecordMade_ = false;
    std::optional<BikeState> previous_;
    std::deque<Piece> pieces_;
    long long sent_ = 0;
    long long spoiled_ = 0;
    long long dropped_ = 0;
    std::size_t nextMalform_ = 0;
    bool deviceGone_ = false;
};

} // namespace ride::sim
