#include "metrics/metrics_file.h"

#include "base/log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace ride {
namespace {

// Fails with the reason, or succeeds with the empty text.
std::string writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::strerror(errno);
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

std::string replaceWith(const std::filesystem::path& temporary, const std::filesystem::path& target,
                        std::string_view text)
{
    // Readable by the exporter, which runs as a user of its own.
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return "cannot create " + temporary.string() + ": " + std::strerror(errno);
    }
    std::string failure = writeAll(fd, text);
    if (::close(fd) != 0 && failure.empty()) {
        failure = std::strerror(errno);
    }
    if (!failure.empty()) {
        ::unlink(temporary.c_str());
        return "cannot write " + temporary.string() + ": " + failure;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        failure = std::strerror(errno);
        ::unlink(temporary.c_str());
        return "cannot rename " + temporary.string() + " to " + target.string() + ": " + failure;
    }
    return {};
}

} // namespace

MetricsFile::MetricsFile(std::filesystem::path target)
    : target_(std::move(target)), temporary_(target_.parent_path() / ("." + target_.filename().string() + ".tmp"))
{
}

bool MetricsFile::write(std::string_view text)
{
    const std::string failure = replaceWith(temporary_, target_, text);
    if (!failure.empty()) {
        if (!failing_) {
            logError("metrics", failure + "; health is not exported until this is mended");
            failing_ = true;
        }
        return false;
    }
    if (failing_) {
        logInfo("metrics", "writing " + target_.string() + " again");
        failing_ = false;
    }
    return true;
}

} // namespace ride
