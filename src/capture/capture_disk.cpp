// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/capture_disk.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ride {
namespace {

std::string systemError()
{
    return std::strerror(errno);
}

} // namespace

FileCaptureDisk::~FileCaptureDisk()
{
    close();
}

std::optional<std::uint64_t> FileCaptureDisk::size(const std::filesystem::path& file)
{
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::string> FileCaptureDisk::create(const std::filesystem::path& file)
{
    close();
    // Non-blocking, so that a FIFO in the file's place fails here instead of waiting for a reader.
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        return systemError();
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::string("not a regular file");
    }
    fd_ = fd;
    return std::nullopt;
}

std::optional<std::string> FileCaptureDisk::append(std::string_view bytes)
{
    if (fd_ < 0) {
        return std::string("the file is not open");
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return systemError();
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return std::nullopt;
}

std::optional<std::string> FileCaptureDisk::rename(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        return systemError();
    }
    return std::nullopt;
}

void FileCaptureDisk::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace ride
