// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a capture's bytes go: a file on disk, in tests a fake disk that fills up. Every call says
// how it failed (the system's words for it), so that the capture can name the reason once.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ride {

class CaptureDisk {
public:
    virtual ~CaptureDisk() = default;
    // The size of the file there; none when there is none.
    virtual std::optional<std::uint64_t> size(const std::filesystem::path& file) = 0;
    // Creates the file, or empties the one there, and makes it the one appended to. Never creates
    // a directory; refuses anything but a regular file. The failure's reason, or none.
    virtual std::optional<std::string> create(const std::filesystem::path& file) = 0;
    // Appends all of `bytes` to the file created last.
    virtual std::optional<std::string> append(std::string_view bytes) = 0;
    // Renames `from` onto `to`, replacing it.
    virtual std::optional<std::string> rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // Closes the file created last, if any.
    virtual void close() = 0;
};

// Files on the local disk, written with plain write(2) calls.
class FileCaptureDisk : public CaptureDisk {
public:
    FileCaptureDisk() = default;
    ~FileCaptureDisk() override;
    FileCaptureDisk(const FileCaptureDisk&) = delete;
    FileCaptureDisk& operator=(const FileCaptureDisk&) = delete;

    std::optional<std::uint64_t> size(const std::filesystem::path& file) override;
    std::optional<std::string> create(const std::filesystem::path& file) override;
    std::optional<std::string> append(std::string_view bytes) override;
    std::optional<std::string> rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
    void close() override;

private:
    int fd_ = -1;
};

} // namespace ride
