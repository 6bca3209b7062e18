// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/service_status.h"

namespace ride {

std::string statusLine(const ServiceStatus& status)
{
    std::string out = "serial ";
    if (status.serialDevice.empty()) {
        out += "none";
    } else {
        out += status.serialDevice;
        out += status.serialOpen ? " open" : " closed";
    }
    for (const auto& channel : status.channels) {
        out += ", channel " + std::to_string(channel.index);
        out += channel.connected ? " connected" : " not connected";
    }
    out += ", video ";
    out += status.video.empty() ? "none" : status.video;
    return out;
}

std::optional<std::string> StatusChanges::next(std::string line)
{
    if (last_ == line) {
        return std::nullopt;
    }
    last_ = line;
    return line;
}

} // namespace ride
