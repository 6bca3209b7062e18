// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes the exported text to its file so that a reader never sees half of it: the text goes to
// a hidden temporary file in the same directory, which then replaces the file by a rename. The
// first failure is logged, and so is the first success after failures, not every attempt.
#include <filesystem>
#include <string_view>

namespace ride {

class MetricsFile {
public:
    explicit MetricsFile(std::filesystem::path target);

    // Whether the file now holds `text`.
    bool write(std::string_view text);

    const std::filesystem::path& path() const { return target_; }
    const std::filesystem::path& temporaryPath() const { return temporary_; }

private:
    std::filesystem::path target_;
    // Named after the target and without its ".prom" ending, which the collector reads.
    std::filesystem::path temporary_;
    bool failing_ = false;
};

} // namespace ride
