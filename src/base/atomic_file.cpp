// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/atomic_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ride {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kUniqueSuffix = "XXXXXX";

// The error of the first write that fails; a write that takes nothing counts as an I/O error.
int writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            return EIO;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

fs::path directoryOf(const fs::path& file)
{
    return file.parent_path().empty() ? fs::path(".") : file.parent_path();
}

// The permission bits, the owner and the contents' way to the disk, as asked; the first error.
int finishTemporary(int fd, std::string_view bytes, const FileReplacement& how)
{
    if (const int error = writeAll(fd, bytes)) {
        return error;
    }
    if (how.durable && ::fsync(fd) != 0) {
        return errno;
    }
    // A unique temporary file is made 0600; a named one got 0644 less the umask when it was created.
    std::optional<mode_t> mode = how.mode;
    if (!mode && how.unique) {
        mode = static_cast<mode_t>(0644 & ~currentUmask());
    }
    if (mode && ::fchmod(fd, *mode) != 0) {
        return errno;
    }
    if (how.owner && ::fchown(fd, how.owner->first, how.owner->second) != 0) {
        // Not a failure: the file is whole, only its owner differs.
    }
    return 0;
}

} // namespace

std::optional<ReplacementFailure> replaceFile(const fs::path& target, std::string_view bytes,
                                              const FileReplacement& how)
{
    std::string temporary = how.temporary.string();
    int fd = -1;
    if (how.unique) {
        temporary += kUniqueSuffix;
        fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    } else {
        // Others may write in the directory (the program's own, the health file's): a symbolic
        // link planted under the fixed name is not followed, or the write would land wherever it
        // points, in any file this user may write.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    }
    if (fd < 0) {
        return ReplacementFailure{ReplacementFailure::Step::CreateTemporary, temporary, errno};
    }
    int error = finishTemporary(fd, bytes, how);
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return ReplacementFailure{ReplacementFailure::Step::WriteTemporary, temporary, error};
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
        ::unlink(temporary.c_str());
        return ReplacementFailure{ReplacementFailure::Step::Rename, temporary, error};
    }
    if (how.durable) {
        // Makes the rename itself durable; the file is already whole either way.
        if (const int dirFd = ::open(directoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
    }
    return std::nullopt;
}

std::vector<fs::path> sweepTemporaryFiles(const fs::path& temporary, std::chrono::seconds minimumAge)
{
    const fs::path directory = directoryOf(temporary);
    const std::string prefix = temporary.filename().string();
    const auto now = fs::file_time_type::clock::now();
    std::vector<fs::path> removed;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        // Exactly what replaceFile creates: the name and six letters or digits, a regular file.
        if (name.size() != prefix.size() + kUniqueSuffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                         [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; })) {
            continue;
        }
        std::error_code entryError;
        if (!it->is_regular_file(entryError) || it->is_symlink(entryError)) {
            continue;
        }
        const auto modified = it->last_write_time(entryError);
        if (entryError || now - modified < minimumAge) {
            continue;
        }
        if (fs::remove(it->path(), entryError)) {
            removed.push_back(it->path());
        }
    }
    return removed;
}

// umask() can only be read by changing it, which races with other threads; the kernel shows it in
// /proc instead.
mode_t currentUmask()
{
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned int mask = 0;
        while (std::fgets(line, sizeof line, status)) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                std::fclose(status);
                return static_cast<mode_t>(mask);
            }
        }
        std::fclose(status);
    }
    return 022;
}

} // namespace ride
