// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text side of the service manager's notification protocol: where $NOTIFY_SOCKET points,
// how often $WATCHDOG_USEC asks for a ping, and the messages themselves. Pure functions, so that
// tests can drive every case without a service manager.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include <sys/socket.h>
#include <sys/un.h>

namespace ride {

struct NotifyAddress {
    sockaddr_un address{};
    socklen_t length = 0;
};

// "/run/user/1000/systemd/notify" is a file-system socket; "@name" names one in the abstract
// namespace (no trailing NUL is part of the name). Anything else, an empty text or a name too long
// for sun_path gives nothing.
std::optional<NotifyAddress> parseNotifyAddress(std::string_view text);

// Half of $WATCHDOG_USEC, the interval at which the service manager's own library pings too.
// Nothing when the value is missing, not a positive decimal number, or when $WATCHDOG_PID names
// another process (the variables were inherited, not meant for us).
std::optional<std::chrono::microseconds> watchdogPingInterval(std::optional<std::string_view> watchdogUsec,
                                                              std::optional<std::string_view> watchdogPid, long ownPid);

inline constexpr std::string_view kReadyMessage = "READY=1";
inline constexpr std::string_view kWatchdogMessage = "WATCHDOG=1";

// "STATUS=<line>"; line ends inside become spaces, since the protocol is one assignment a line.
std::string statusMessage(std::string_view line);

} // namespace ride
