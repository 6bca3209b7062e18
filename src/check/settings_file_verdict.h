// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether "配置.ini" can be checked at all. The console reads whatever is there, and a file it
// cannot read makes every value its default; the check instead refuses such a file, since a
// site whose settings are lost or garbled would otherwise pass on defaults. The file is
// unreadable when it:
// - does not exist, cannot be opened by this user, or is not a regular file;
// - is empty, or holds a NUL byte (no text editor writes one: a binary or damaged file);
// - holds bytes that are not GBK (the console would read them as replacement characters), with
//   the first such line named, and a hint when the file is UTF-8 instead;
// - has no section header line ("[name]"), so that no key in it can ever be read.
#include <filesystem>
#include <optional>
#include <string>

namespace ride {

struct SettingsFileVerdict {
    bool readable = false;
    std::string reason; // why not, when not readable; one line, UTF-8
};

SettingsFileVerdict judgeSettingsFile(const std::filesystem::path& file);

// The same rule for the file's bytes (the part after opening it).
SettingsFileVerdict judgeSettingsBytes(const std::string& bytes);

} // namespace ride
