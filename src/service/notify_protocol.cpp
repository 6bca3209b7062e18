// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/notify_protocol.h"

#include <charconv>
#include <cstddef>
#include <cstring>

namespace ride {
namespace {

std::optional<unsigned long long> positiveDecimal(std::string_view text)
{
    unsigned long long value = 0;
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || last != end || value == 0) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<NotifyAddress> parseNotifyAddress(std::string_view text)
{
    if (text.size() < 2 || (text.front() != '/' && text.front() != '@')) {
        return std::nullopt;
    }
    NotifyAddress out;
    out.address.sun_family = AF_UNIX;
    constexpr std::size_t pathOffset = offsetof(sockaddr_un, sun_path);
    if (text.front() == '@') {
        // The abstract name is the bytes after a leading NUL, and exactly as long as the address says.
        if (text.size() > sizeof out.address.sun_path) {
            return std::nullopt;
        }
        out.address.sun_path[0] = '\0';
        std::memcpy(out.address.sun_path + 1, text.data() + 1, text.size() - 1);
        out.length = static_cast<socklen_t>(pathOffset + text.size());
        return out;
    }
    // A path needs room for its terminating NUL.
    if (text.size() >= sizeof out.address.sun_path) {
        return std::nullopt;
    }
    std::memcpy(out.address.sun_path, text.data(), text.size());
    out.length = static_cast<socklen_t>(pathOffset + text.size() + 1);
    return out;
}

std::optional<std::chrono::microseconds> watchdogPingInterval(std::optional<std::string_view> watchdogUsec,
                                                              std::optional<std::string_view> watchdogPid, long ownPid)
{
    if (!watchdogUsec) {
        return std::nullopt;
    }
    if (watchdogPid) {
        const auto pid = positiveDecimal(*watchdogPid);
        if (!pid || *pid != static_cast<unsigned long long>(ownPid)) {
            return std::nullopt;
        }
    }
    const auto usec = positiveDecimal(*watchdogUsec);
    if (!usec || *usec < 2) {
        return std::nullopt;
    }
    return std::chrono::microseconds(static_cast<std::chrono::microseconds::rep>(*usec / 2));
}

std::string statusMessage(std::string_view line)
{
    std::string out = "STATUS=";
    out.reserve(out.size() + line.size());
    for (const char c : line) {
        out += (c == '\n' || c == '\r') ? ' ' : c;
    }
    return out;
}

} // namespace ride
