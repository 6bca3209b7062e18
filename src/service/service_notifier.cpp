// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/service_notifier.h"

#include "base/log.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include <sys/socket.h>
#include <unistd.h>

namespace ride {
namespace {

std::optional<std::string_view> environment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string_view(value);
}

} // namespace

ServiceNotifier::ServiceNotifier(std::optional<NotifyAddress> address,
                                 std::optional<std::chrono::microseconds> watchdogInterval)
{
    if (!address) {
        return;
    }
    address_ = *address;
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) {
        logWarning("service",
                   std::string("no socket for the service manager's notifications: ") + std::strerror(errno));
        return;
    }
    watchdogInterval_ = watchdogInterval;
}

ServiceNotifier::ServiceNotifier(ServiceNotifier&& other) noexcept
    : address_(other.address_), watchdogInterval_(other.watchdogInterval_), fd_(std::exchange(other.fd_, -1))
{
}

ServiceNotifier::~ServiceNotifier()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

ServiceNotifier ServiceNotifier::fromEnvironment()
{
    const auto socketText = environment("NOTIFY_SOCKET");
    std::optional<NotifyAddress> address;
    std::optional<std::chrono::microseconds> interval;
    if (socketText) {
        address = parseNotifyAddress(*socketText);
        if (!address) {
            logWarning("service", "NOTIFY_SOCKET \"" + std::string(*socketText) +
                                      "\" is neither a socket path nor an abstract name (@...): "
                                      "the service manager is not told of readiness or status");
        }
        interval = watchdogPingInterval(environment("WATCHDOG_USEC"), environment("WATCHDOG_PID"),
                                        static_cast<long>(::getpid()));
    }
    ServiceNotifier notifier(address, interval);
    ::unsetenv("NOTIFY_SOCKET");
    ::unsetenv("WATCHDOG_USEC");
    ::unsetenv("WATCHDOG_PID");
    return notifier;
}

bool ServiceNotifier::send(std::string_view message) const
{
    if (fd_ < 0) {
        return false;
    }
    const sockaddr* to = reinterpret_cast<const sockaddr*>(&address_.address);
    ssize_t sent = -1;
    do {
        sent = ::sendto(fd_, message.data(), message.size(), MSG_NOSIGNAL, to, address_.length);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(message.size());
}

} // namespace ride
