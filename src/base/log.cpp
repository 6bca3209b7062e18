// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/log.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <sys/stat.h>
#include <unistd.h>

namespace ride {

std::string_view levelName(LogLevel level)
{
    switch (level) {
    case LogLevel::Error: return "error";
    case LogLevel::Warning: return "warning";
    case LogLevel::Info: return "info";
    }
    return "info";
}

std::string_view journalPriority(LogLevel level)
{
    switch (level) {
    case LogLevel::Error: return "<3>";
    case LogLevel::Warning: return "<4>";
    case LogLevel::Info: return "<6>";
    }
    return "<6>";
}

bool journalStreamMatches(std::string_view journalStream, std::uint64_t device, std::uint64_t inode)
{
    const auto colon = journalStream.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    const auto number = [](std::string_view text, std::uint64_t& value) {
        const char* end = text.data() + text.size();
        const auto [last, error] = std::from_chars(text.data(), end, value);
        return !text.empty() && error == std::errc() && last == end;
    };
    std::uint64_t streamDevice = 0;
    std::uint64_t streamInode = 0;
    return number(journalStream.substr(0, colon), streamDevice) &&
           number(journalStream.substr(colon + 1), streamInode) && streamDevice == device && streamInode == inode;
}

namespace {

bool standardErrorIsJournal()
{
    const char* stream = std::getenv("JOURNAL_STREAM");
    struct stat status {};
    if (stream == nullptr || ::fstat(STDERR_FILENO, &status) != 0) {
        return false;
    }
    return journalStreamMatches(stream, static_cast<std::uint64_t>(status.st_dev),
                                static_cast<std::uint64_t>(status.st_ino));
}

} // namespace

std::string formatLogLine(LogLevel level, std::string_view subsystem, std::string_view message,
                          std::chrono::system_clock::time_point when)
{
    using namespace std::chrono;
    const std::time_t seconds = system_clock::to_time_t(when);
    const auto millis = duration_cast<milliseconds>(when.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);

    char stamp[48];
    const std::size_t stampLength = std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(stamp + stampLength, sizeof stamp - stampLength, ".%03d ", static_cast<int>(millis));

    std::string out(stamp);
    out.reserve(out.size() + 10 + subsystem.size() + message.size());
    out += levelName(level);
    out += ' ';
    out += subsystem;
    out += ": ";
    for (const char c : message) {
        out += (c == '\n' || c == '\r') ? ' ' : c;
    }
    return out;
}

void writeLog(LogLevel level, std::string_view subsystem, std::string_view message)
{
    static const bool journal = standardErrorIsJournal();
    std::string out = journal ? std::string(journalPriority(level)) : std::string();
    out += formatLogLine(level, subsystem, message, std::chrono::system_clock::now());
    out += '\n';

    // The loop only matters for a short write to a full pipe.
    const char* data = out.data();
    std::size_t left = out.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

} // namespace ride
