#include "base/log.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include <unistd.h>

namespace ride {

void logLine(std::string_view utf8Line)
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);

    char stamp[40];
    const std::size_t stampLength = std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::string out(stamp, stampLength);
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03d ", static_cast<int>(millis));
    out += fraction;
    out.reserve(out.size() + utf8Line.size() + 1);
    for (char c : utf8Line)
        out += (c == '\n' || c == '\r') ? ' ' : c;
    out += '\n';

    // One write keeps the line whole; the loop only matters for a short write to a full pipe.
    const char* data = out.data();
    std::size_t left = out.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

} // namespace ride
