// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/capture_settings.h"

#include "base/numeric_value.h"
#include "settings/profile_file.h"

#include <algorithm>
#include <cmath>

namespace ride {

CaptureLimit captureLimitFrom(TextView setting)
{
    CaptureLimit limit;
    const double megabytes = numericValue(setting);
    if (std::isfinite(megabytes) && megabytes > 0) {
        limit.megabytes = megabytes;
        limit.isDefault = false;
    }
    // Far beyond any disk: a limit that large is no limit, and must not overflow.
    const double bytes = std::min(std::floor(limit.megabytes * double(kBytesPerMegabyte)), 1e18);
    limit.bytes = static_cast<std::uint64_t>(bytes);
    if (limit.bytes < kSmallestCaptureLimitBytes) {
        limit.bytes = kSmallestCaptureLimitBytes;
        limit.raised = true;
    }
    return limit;
}

CaptureSettings readCaptureSettings(const std::filesystem::path& settingsFile,
                                    const std::optional<std::filesystem::path>& fromCommandLine)
{
    CaptureSettings settings;
    settings.fileSetting = ReadIni(settingsFile, kCaptureSection, kCaptureFileKey);
    settings.limit = captureLimitFrom(ReadIni(settingsFile, kCaptureSection, kCaptureLimitKey));
    if (fromCommandLine && !fromCommandLine->empty()) {
        settings.file = fromCommandLine;
        settings.fromCommandLine = true;
    } else if (!settings.fileSetting.empty()) {
        const std::filesystem::path named(toUtf8(settings.fileSetting));
        settings.file = named.is_absolute() ? named : settingsFile.parent_path() / named;
    }
    return settings;
}

} // namespace ride
