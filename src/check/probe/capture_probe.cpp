// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/probe/capture_probe.h"

#include "base/numeric_value.h"
#include "capture/capture_settings.h"
#include "check/settings_review.h"
#include "settings/profile_file.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace ride {
namespace {

constexpr const char* kWithout = "; the console would run without a capture";

std::string megabytes(double value)
{
    return toUtf8(shortestDecimal(value)) + " MB";
}

void reviewLimit(const std::filesystem::path& settingsFile, const CaptureLimit& limit, CheckReport& report)
{
    const Text text = ReadIni(settingsFile, kCaptureSection, kCaptureLimitKey);
    const std::string head =
        settingName(kCaptureSection, kCaptureLimitKey) + (text.empty() ? " not set" : " = \"" + toUtf8(text) + "\"");
    const std::string size = megabytes(limit.megabytes) + " (" + std::to_string(limit.bytes) + " bytes)";
    if (limit.raised) {
        report.warning(head + ": too small for the header and a few lines: raised to " + std::to_string(limit.bytes) +
                       " bytes per file");
    } else if (limit.isDefault && !text.empty()) {
        report.warning(head + ": not a number above 0: each capture file holds up to " + size + " (default)");
    } else {
        report.ok(head + ": each capture file holds up to " + size + (limit.isDefault ? " (default)" : "") +
                  ", then moves to .1, so two are kept");
    }
}

// Why nothing could be written at `file`, or nothing when it can. Changes nothing that is there.
std::optional<std::string> whyNotWritable(const std::filesystem::path& file)
{
    const std::filesystem::path directory = file.parent_path().empty() ? "." : file.parent_path();
    struct stat info {};
    if (::stat(directory.c_str(), &info) != 0) {
        return "its directory " + directory.string() + ": " + std::strerror(errno) +
               (errno == ENOENT ? " (the console creates no directory)" : "");
    }
    if (!S_ISDIR(info.st_mode)) {
        return directory.string() + " is not a directory";
    }
    if (::stat(file.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return "it is a directory";
        }
        if (!S_ISREG(info.st_mode)) {
            return "it is not a regular file";
        }
        const int fd = ::open(file.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return std::string(std::strerror(errno));
        }
        ::close(fd);
    }
    // Rotation renames the file within the directory and makes a new one: the directory must take
    // new files. A name of the check's own, which no sweep takes for a left-over.
    std::string name = (directory / ".ride-console-check.XXXXXX").string();
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return "its directory " + directory.string() + " takes no new file: " + std::strerror(errno);
    }
    ::close(fd);
    ::unlink(name.c_str());
    return std::nullopt;
}

} // namespace

void probeCapture(const std::filesystem::path& settingsFile,
                  const std::optional<std::filesystem::path>& fromCommandLine, CheckReport& report)
{
    const CaptureSettings settings = readCaptureSettings(settingsFile, fromCommandLine);
    const std::string fileSetting = settingName(kCaptureSection, kCaptureFileKey);
    const std::string named = settings.fileSetting.empty()
                                  ? fileSetting + " not set"
                                  : fileSetting + " = \"" + toUtf8(settings.fileSetting) + "\"";
    if (!settings.file) {
        report.ok(named + ": the controller's traffic is not captured");
        return;
    }
    const std::string head =
        settings.fromCommandLine ? "--capture " + settings.file->string() + " (instead of " + named + ")" : named;
    const std::filesystem::path& file = *settings.file;
    if (const auto why = whyNotWritable(file)) {
        report.warning(head + ": " + file.string() + " cannot be written: " + *why + kWithout);
    } else {
        std::string line =
            head + ": captures the controller's traffic to " + file.string() + " (and " + file.string() + ".1)";
        struct statvfs disk {};
        const std::filesystem::path directory = file.parent_path().empty() ? "." : file.parent_path();
        const double needed = 2.0 * double(settings.limit.bytes);
        if (::statvfs(directory.c_str(), &disk) == 0) {
            const double free = double(disk.f_bavail) * double(disk.f_frsize);
            line += "; " + megabytes(std::floor(free / double(kBytesPerMegabyte))) + " free there";
            if (free < needed) {
                line += ", less than the two files may take (" +
                        megabytes(std::ceil(needed / double(kBytesPerMegabyte))) + "): a full disk stops the capture";
            }
            report.add(free < needed ? FindingLevel::Warning : FindingLevel::Ok, line);
        } else {
            report.ok(line);
        }
    }
    reviewLimit(settingsFile, settings.limit, report);
}

} // namespace ride
