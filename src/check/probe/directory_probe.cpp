// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/probe/directory_probe.h"

#include "check/probe/user_groups.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ride {
namespace {

const char* const kDropped = ": the network window's 保存 would be dropped";

} // namespace

void probeSettingsDirectory(const std::filesystem::path& settingsFile, CheckReport& report)
{
    const std::filesystem::path directory =
        settingsFile.parent_path().empty() ? std::filesystem::path(".") : settingsFile.parent_path();
    const std::string head = "settings directory " + directory.string() + ": ";

    struct stat info {};
    if (::stat(directory.c_str(), &info) != 0) {
        report.warning(head + std::strerror(errno) + kDropped);
        return;
    }
    if (!(info.st_mode & S_IWUSR)) {
        report.warning(head + "read-only (mode " + octalMode(info.st_mode) + ")" + kDropped);
        return;
    }
    if (::stat(settingsFile.c_str(), &info) == 0 && !(info.st_mode & S_IWUSR)) {
        report.warning(head + settingsFile.filename().string() + " is read-only (mode " + octalMode(info.st_mode) +
                       ")" + kDropped);
        return;
    }
    // Not the writer's temporary name: the console's sweep must never take it for a left-over.
    std::string name = (directory / ".ride-console-check.XXXXXX").string();
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        report.warning(head + "cannot create a file there (" + std::strerror(errno) + ")" + kDropped);
        return;
    }
    ::close(fd);
    ::unlink(name.c_str());
    report.ok(head + "writable, so the network window can save its settings");
}

} // namespace ride
