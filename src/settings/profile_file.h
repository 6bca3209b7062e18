#pragma once
// The settings file: a GBK-encoded INI file read and written one key at a time, with no
// cache, so that every read sees the latest write and the latest hand edit.
#include "settings/text.h"

#include <filesystem>

namespace ride {

// First section named `section`, first key named `key` in it (names compared without regard
// to ASCII letter case); the value trimmed of blanks, at most 127 GBK bytes (never half a
// character), cut at a NUL. Anything missing or unreadable gives the empty text.
Text ReadIni(const std::filesystem::path& file, TextView section, TextView key);

// Sets key=value (value cut to 128 characters and at a NUL), creating the file and the section
// when missing; every other line keeps its bytes and its place. The file is replaced whole
// (temporary file, flush, rename), so an interrupted write leaves the old or the new file.
// A write that cannot be done (read-only file or directory) is dropped; returns false then.
bool WriteIni(const std::filesystem::path& file, TextView section, TextView key, TextView value);

// The directory of the running executable (resolved through /proc/self/exe) and the settings
// file beside it.
std::filesystem::path programDirectory();
std::filesystem::path settingsFilePath();

} // namespace ride
