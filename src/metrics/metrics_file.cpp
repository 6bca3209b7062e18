// SPDX-License-Identifier: GPL-3.0-or-later
#include "metrics/metrics_file.h"

#include "base/atomic_file.h"
#include "base/log.h"

#include <cstring>
#include <string>

namespace ride {
namespace {

// The reason of a failed replacement, naming the files involved.
std::string describe(const ReplacementFailure& failure, const std::filesystem::path& target)
{
    const std::string temporary = failure.temporary.string();
    const std::string error = std::strerror(failure.error);
    switch (failure.step) {
    case ReplacementFailure::Step::CreateTemporary: return "cannot create " + temporary + ": " + error;
    case ReplacementFailure::Step::WriteTemporary: return "cannot write " + temporary + ": " + error;
    case ReplacementFailure::Step::Rename: break;
    }
    return "cannot rename " + temporary + " to " + target.string() + ": " + error;
}

} // namespace

MetricsFile::MetricsFile(std::filesystem::path target)
    : target_(std::move(target)), temporary_(target_.parent_path() / ("." + target_.filename().string() + ".tmp"))
{
}

bool MetricsFile::write(std::string_view text)
{
    // One fixed temporary name, so that a write cut short leaves nothing to sweep but that file;
    // 0644, readable by the exporter, which runs as a user of its own. No fsync: the file is
    // written again in ten seconds, and a sync every time would wake the disk for nothing.
    FileReplacement how;
    how.temporary = temporary_;
    const std::optional<ReplacementFailure> failure = replaceFile(target_, text, how);
    if (failure) {
        if (!failing_) {
            logError("metrics", describe(*failure, target_) + "; health is not exported until this is mended");
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
