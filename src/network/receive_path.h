// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Data arriving on a channel: shown in the channel's receive box, appended to the console's
// receive box (which decodes it at once), and the channel marked alive.
#include <cstddef>

namespace ride {

class Frmsock;
struct Channel;

class ReceivePath {
public:
    static constexpr std::size_t kReceiveBoxLimit = 1000;

    explicit ReceivePath(Frmsock& window);
    // Hooks the channel's receive box rule and its socket's data arrival.
    void attach(Channel& channel);

    void onDataArrival(Channel& channel);

private:
    Frmsock& window_;
};

} // namespace ride
