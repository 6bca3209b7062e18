// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings file: a GBK-encoded INI file read and written one key at a time, with no
// cache, so that every read sees the latest write and the latest hand edit.
#include "base/text.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ride {

// First section named `section`, first key named `key` in it (names compared without regard
// to ASCII letter case); the value trimmed of blanks, at most 127 GBK bytes (never half a
// character), cut at a NUL. Anything missing or unreadable gives the empty text.
Text ReadIni(const std::filesystem::path& file, TextView section, TextView key);

// Called with the section and key of every ReadIni and IniValueIsCut from now on; an empty
// function stops it. For the test that keeps the settings template listing every key the program
// reads; the program itself never sets one.
void observeSettingsReads(std::function<void(TextView section, TextView key)> observer);

// Whether ReadIni of this key gives less than the file holds because the value (trimmed, without
// enclosing quotes) is longer than the 127 GBK bytes a read returns. False when the key is absent.
bool IniValueIsCut(const std::filesystem::path& file, TextView section, TextView key);

// Sets key=value (value cut to 128 characters and at a NUL), creating the file and the section
// when missing; every other line keeps its bytes and its place. The file is replaced whole
// (temporary file, flush, rename), so an interrupted write leaves the old or the new file.
// A write that cannot be done (read-only file or directory) is dropped; returns false then.
bool WriteIni(const std::filesystem::path& file, TextView section, TextView key, TextView value);

// Removes the temporary files that interrupted writes of `file` left beside it, once they are
// at least `minimumAge` old (a write in progress is younger by far). Returns the files removed.
std::vector<std::filesystem::path> sweepAbandonedTemporaryFiles(const std::filesystem::path& file,
                                                                std::chrono::seconds minimumAge);

// The whole of `file` when it is a regular file that can be read; otherwise nothing, with the
// reason. A directory gives nothing, and a FIFO in the file's place does not block the caller.
std::optional<std::string> readRegularFile(const std::filesystem::path& file, std::string& reason);

// The directory of the running executable (resolved through /proc/self/exe) and the settings
// file beside it.
std::filesystem::path programDirectory();
std::filesystem::path settingsFilePath();

} // namespace ride
