// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's one log sink: timestamped lines on standard error, each with a level and the
// name of the subsystem that wrote it ("serial", "video", "keys", ...). The console's own log
// list is the network window's business; its lines are mirrored here as well.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace ride {

enum class LogLevel : std::uint8_t {
    Error,   // something the installation needs mended: a device, a file, a display missing
    Warning, // a failure the program rides through: a refused send, a key string not typed
    Info,    // a normal event worth keeping: a device back, a left-over file removed
};

std::string_view levelName(LogLevel level);

// "YYYY-MM-DD HH:MM:SS.mmm <level> <subsystem>: <message>" in local time, without a line end.
// Line breaks inside the message become spaces, so that one call is always one line.
std::string formatLogLine(LogLevel level, std::string_view subsystem, std::string_view message,
                          std::chrono::system_clock::time_point when);

// The journal's priority prefix for a level: "<3>" error, "<4>" warning, "<6>" info.
std::string_view journalPriority(LogLevel level);

// Whether $JOURNAL_STREAM ("device:inode", both decimal) names the file standard error is, given
// standard error's device and inode. The service manager sets it when it connects standard error
// to the journal; a program started from such a one with standard error elsewhere inherits a
// value that no longer matches.
bool journalStreamMatches(std::string_view journalStream, std::uint64_t device, std::uint64_t inode);

// Writes the formatted line and a line end in one write, so that lines from several sources
// never interleave. Never fails the caller: a full or closed standard error loses the line.
// When standard error is the journal (decided once, at the first line), each line starts with
// its priority prefix, so that "journalctl -p warning" shows what matters.
void writeLog(LogLevel level, std::string_view subsystem, std::string_view message);

inline void logError(std::string_view subsystem, std::string_view message)
{
    writeLog(LogLevel::Error, subsystem, message);
}
inline void logWarning(std::string_view subsystem, std::string_view message)
{
    writeLog(LogLevel::Warning, subsystem, message);
}
inline void logInfo(std::string_view subsystem, std::string_view message)
{
    writeLog(LogLevel::Info, subsystem, message);
}

} // namespace ride
