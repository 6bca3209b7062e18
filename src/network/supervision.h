// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps every configured channel connected: a pass each second that shows the socket state,
// connects or recycles the link and counts the channel's idle seconds; the state caption's and
// the socket error's handlers; and the heartbeat that feeds channel 0's send box each second.
#include "base/text.h"

#include <cstddef>
#include <cstdint>

namespace ride {

class Frmsock;
struct Channel;

class Supervision {
public:
    static constexpr double kRedThreshold = 8;
    static constexpr double kHeartbeatWrap = 100000;

    explicit Supervision(Frmsock& window);
    // Hooks the channel's socket error notification.
    void attach(Channel& channel);

    // One tick of the supervision timer (the timer keeps it from overlapping itself).
    void pass();
    // One tick of the heartbeat timer.
    void heartbeat();
    void onSocketError(Channel& channel, int number, const Text& description);

    // Heartbeat texts written into channel 0's send box since the window was made.
    std::uint64_t heartbeatsWritten() const { return heartbeats_; }

private:
    void superviseChannel(Channel& channel);
    void showState(Channel& channel);
    void recycle(Channel& channel);
    void yieldToEvents();

    Frmsock& window_;
    std::uint64_t heartbeats_ = 0;
};

} // namespace ride
