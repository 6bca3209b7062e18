// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A disk in memory for the capture: files by path, and room for so many bytes in all, after which
// a write puts in what fits and fails as a full disk does.
#include "capture/capture_disk.h"

#include <cstdint>
#include <limits>
#include <map>

namespace ride::testing {

class FakeCaptureDisk : public CaptureDisk {
public:
    std::optional<std::uint64_t> size(const std::filesystem::path& file) override
    {
        const auto found = files.find(file);
        return found == files.end() ? std::nullopt : std::optional<std::uint64_t>(found->second.size());
    }
    std::optional<std::string> create(const std::filesystem::path& file) override
    {
        if (refuseCreate) {
            return refuseCreate;
        }
        files[file].clear();
        current_ = file;
        return std::nullopt;
    }
    std::optional<std::string> append(std::string_view bytes) override
    {
        ++appends;
        std::uint64_t used = 0;
        for (const auto& [path, text] : files) {
            used += text.size();
        }
        const std::uint64_t room = capacity > used ? capacity - used : 0;
        files[current_].append(bytes.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(room, bytes.size()))));
        if (bytes.size() > room) {
            return std::string("No space left on device");
        }
        return std::nullopt;
    }
    std::optional<std::string> rename(const std::filesystem::path& from, const std::filesystem::path& to) override
    {
        files[to] = std::move(files.at(from));
        files.erase(from);
        return std::nullopt;
    }
    void close() override { current_.clear(); }

    std::map<std::filesystem::path, std::string> files;
    std::uint64_t capacity = std::numeric_limits<std::uint64_t>::max();
    // Set: every create fails with it, as a missing directory does.
    std::optional<std::string> refuseCreate;
    int appends = 0;

private:
    std::filesystem::path current_;
};

} // namespace ride::testing
