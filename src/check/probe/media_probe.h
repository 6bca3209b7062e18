// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two videos and the animation program, as the player window would use them: each video
// exists, can be read, and libmpv opens it (a short probe with no window and no sound, a few
// seconds at most); a .SWF file exists and the program that plays it can be started.
#include "check/check_report.h"
#include "check/settings_review.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace ride {

void probeVideos(const std::filesystem::path& programDirectory, const SiteSettings& site, CheckReport& report);

// libmpv's verdict on one location: empty when it opens the media, else the reason.
std::optional<std::string> mpvCannotOpen(const std::string& location, std::chrono::milliseconds limit);

} // namespace ride
