// SPDX-License-Identifier: GPL-3.0-or-later
#include "bike_sim/outbox.h"

#include <cerrno>

#include <unistd.h>

namespace ride::sim {

bool Outbox::add(std::string_view bytes)
{
    // A piece larger than the limit (a capture's burst) still goes out when nothing waits before it.
    if (!pending_.empty() && pending_.size() + bytes.size() > kLimit) {
        return false;
    }
    pending_.append(bytes);
    return true;
}

Outbox::Result Outbox::flush(int fd)
{
    while (!pending_.empty()) {
        const ssize_t n = ::write(fd, pending_.data(), pending_.size());
        if (n > 0) {
            pending_.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return Result::Waiting;
        }
        return Result::Gone;
    }
    return Result::Empty;
}

} // namespace ride::sim
