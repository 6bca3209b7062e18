// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decisions of connection supervision that need no socket: when a channel counts as configured,
// when its endpoint can be connected, and when a connected link still matches its boxes.
#include "base/text.h"

#include <cstdint>
#include <optional>

namespace ride {

// Configured: the IP text or the port text is not empty.
[[nodiscard]] bool isConfigured(TextView ip, TextView port);

// The port number to connect to: a whole decimal number from 1 to 65535, blanks around it
// allowed. Anything else (a sign, a fraction, letters, an exponent, out of range) gives none,
// and the channel is then not connectable.
[[nodiscard]] std::optional<std::int32_t> portNumber(TextView port);

// Connectable: the port's numeric value is above 0, it converts to a port number, and the IP
// text is longer than 6 characters.
[[nodiscard]] bool isConnectable(TextView ip, TextView port);

// A connected link is healthy when host and port, trimmed of spaces on both sides, equal the
// trimmed boxes exactly.
[[nodiscard]] bool isHealthy(int state, TextView socketHost, TextView socketPort, TextView ip, TextView port);

TextView trimSpaces(TextView text);

} // namespace ride
