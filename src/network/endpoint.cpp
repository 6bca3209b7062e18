// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/endpoint.h"

#include "base/numeric_value.h"
#include "io/tcp_socket.h"

namespace ride {

TextView trimSpaces(TextView text)
{
    const auto first = text.find_first_not_of(u' ');
    if (first == TextView::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(u' ');
    return text.substr(first, last - first + 1);
}

bool isConfigured(TextView ip, TextView port)
{
    return !ip.empty() || !port.empty();
}

std::optional<std::int32_t> portNumber(TextView port)
{
    const TextView digits = trimSpaces(port);
    if (digits.empty() || digits.size() > 10) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (c - u'0');
    }
    if (value < 1 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

bool isConnectable(TextView ip, TextView port)
{
    return numericValue(port) > 0 && portNumber(port).has_value() && ip.size() > 6;
}

bool isHealthy(int state, TextView socketHost, TextView socketPort, TextView ip, TextView port)
{
    return state == socket_state::kConnected && trimSpaces(socketHost) == trimSpaces(ip) &&
           trimSpaces(socketPort) == trimSpaces(port);
}

} // namespace ride
