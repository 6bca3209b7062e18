// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sending side of the service manager's notification protocol: one datagram per message on
// an AF_UNIX socket to $NOTIFY_SOCKET. Without that variable (started by hand, by a desktop's
// autostart without the unit) it is disabled and sends nothing. A send never blocks: a full
// socket loses the message, which the next watchdog ping or status change makes good.
#include "service/notify_protocol.h"

#include <chrono>
#include <optional>
#include <string_view>

namespace ride {

class ServiceNotifier {
public:
    // Disabled when `address` is empty.
    ServiceNotifier(std::optional<NotifyAddress> address, std::optional<std::chrono::microseconds> watchdogInterval);
    ~ServiceNotifier();
    ServiceNotifier(const ServiceNotifier&) = delete;
    ServiceNotifier& operator=(const ServiceNotifier&) = delete;

    // Reads $NOTIFY_SOCKET, $WATCHDOG_USEC and $WATCHDOG_PID, then removes them from the
    // environment, so that the programs the console starts (the animation player) do not talk to
    // the service manager in its name. A $NOTIFY_SOCKET that cannot be used is logged.
    static ServiceNotifier fromEnvironment();
    ServiceNotifier(ServiceNotifier&& other) noexcept;

    bool enabled() const { return fd_ >= 0; }
    // Half of $WATCHDOG_USEC; nothing when no watchdog is asked for or the notifier is disabled.
    std::optional<std::chrono::microseconds> watchdogInterval() const { return watchdogInterval_; }

    // True when the datagram went out whole.
    bool send(std::string_view message) const;

private:
    NotifyAddress address_{};
    std::optional<std::chrono::microseconds> watchdogInterval_;
    int fd_ = -1;
};

} // namespace ride
