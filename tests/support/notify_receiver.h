// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The service manager's end of the notification protocol, for tests: a datagram socket bound to
// a file-system path or an abstract name, handing out each message as it arrives.
#include <chrono>
#include <cstddef>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace ride::testing {

class NotifyReceiver {
public:
    // `name` is a path, or "@name" for the abstract namespace, as $NOTIFY_SOCKET spells it.
    explicit NotifyReceiver(const std::string& name) : name_(name)
    {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (fd_ < 0 || name.empty() || name.size() >= sizeof address.sun_path) {
            throw std::runtime_error("no socket for " + name);
        }
        std::memcpy(address.sun_path, name.data(), name.size());
        socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + 1);
        if (name.front() == '@') {
            address.sun_path[0] = '\0';
            length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
        }
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
            ::close(fd_);
            throw std::runtime_error("cannot bind " + name);
        }
    }
    ~NotifyReceiver()
    {
        ::close(fd_);
        if (name_.front() == '/') {
            ::unlink(name_.c_str());
        }
    }
    NotifyReceiver(const NotifyReceiver&) = delete;
    NotifyReceiver& operator=(const NotifyReceiver&) = delete;

    const std::string& name() const { return name_; }

    // The next message, or nothing when none came within `timeout`.
    std::optional<std::string> receive(std::chrono::milliseconds timeout)
    {
        pollfd waiting{fd_, POLLIN, 0};
        if (::poll(&waiting, 1, static_cast<int>(timeout.count())) <= 0) {
            return std::nullopt;
        }
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n < 0) {
            return std::nullopt;
        }
        return std::string(buffer, static_cast<std::size_t>(n));
    }

private:
    std::string name_;
    int fd_ = -1;
};

} // namespace ride::testing
