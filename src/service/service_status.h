// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one-line status the service manager shows beside the unit ("systemctl --user status"):
// the serial line, each started TCP channel and the current video choice, built from plain values
// so that the text does not depend on the toolkit that holds them.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace ride {

struct ServiceStatus {
    struct Channel {
        std::size_t index = 0;
        bool connected = false;
    };
    // Empty when the settings name no device.
    std::string serialDevice;
    bool serialOpen = false;
    // Only channels whose socket exists; none before the network window is first opened.
    std::vector<Channel> channels;
    // The settings key of the last choice ("视频0", "视频1"); empty before the first.
    std::string video;
};

// "serial /dev/bike open, channel 0 connected, video 视频0".
std::string statusLine(const ServiceStatus& status);

// Remembers the line last sent, so that a status checked every second is sent only when it changed.
class StatusChanges {
public:
    // The line when it differs from the last one returned, else nothing.
    std::optional<std::string> next(std::string line);

private:
    std::optional<std::string> last_;
};

} // namespace ride
