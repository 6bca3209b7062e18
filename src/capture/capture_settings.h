// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether the console captures its traffic, where, and how large a file may grow: "--capture PATH"
// or "[数据记录] 文件", and "[数据记录] 上限MB". The program starts its capture by this rule and the
// site check reports by it, so that the check says what the console does.
#include "base/text.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace ride {

inline constexpr TextView kCaptureSection = u"数据记录";
inline constexpr TextView kCaptureFileKey = u"文件";
inline constexpr TextView kCaptureLimitKey = u"上限MB";

inline constexpr double kDefaultCaptureLimitMegabytes = 64;
inline constexpr std::uint64_t kBytesPerMegabyte = 1024 * 1024;
// Room for the header and some lines: a smaller limit is raised to this.
inline constexpr std::uint64_t kSmallestCaptureLimitBytes = 4096;

// 上限MB: its numeric value in megabytes of 1,048,576 bytes, fractions allowed; 64 when the value
// is missing, not a number, 0 or below, or not finite.
struct CaptureLimit {
    double megabytes = kDefaultCaptureLimitMegabytes;
    std::uint64_t bytes = 0;
    bool isDefault = true;
    bool raised = false; // below kSmallestCaptureLimitBytes, so raised to it
};
CaptureLimit captureLimitFrom(TextView setting);

struct CaptureSettings {
    // None: no capture.
    std::optional<std::filesystem::path> file;
    bool fromCommandLine = false;
    Text fileSetting; // as read, also when the command line wins
    CaptureLimit limit;
};

// The command line's path wins (already made absolute from the working directory); the setting's
// is taken from the program's directory when relative, like the other files the settings name.
CaptureSettings readCaptureSettings(const std::filesystem::path& settingsFile,
                                    const std::optional<std::filesystem::path>& fromCommandLine);

} // namespace ride
