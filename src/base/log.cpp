#include "base/log.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

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
    std::string out = formatLogLine(level, subsystem, message, std::chrono::system_clock::now());
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
