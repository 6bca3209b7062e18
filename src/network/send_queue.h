// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The send side of the network window: a queue per channel in the drop-down list of its send
// box, a pass every millisecond that sends each connected channel's head item, completions that
// remove it, and the failure policy for a send that stalled.
#include <cstddef>

namespace ride {

class Frmsock;
struct Channel;

class SendQueue {
public:
    static constexpr std::size_t kQueueLimit = 1000;

    explicit SendQueue(Frmsock& window);
    // Hooks the channel's socket completion notification.
    void attach(Channel& channel);

    // A change of the send box's edit text queues that text.
    void enqueue(Channel& channel);
    // One tick of the send timer.
    void sendPass();
    void onSendComplete(Channel& channel);
    // Called by supervision when a channel stayed silent past the timeout with a send pending.
    void ApplySendFailurePolicy(std::size_t channelIndex);

private:
    Frmsock& window_;
};

} // namespace ride
