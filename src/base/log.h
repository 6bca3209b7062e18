#pragma once
// Timestamped diagnostic lines on standard error, shared by every part of the program.
#include <string_view>

namespace ride {

// Writes "YYYY-MM-DD HH:MM:SS.mmm <line>\n" (local time) in one write so that lines from
// several sources never interleave. Line breaks inside the line become spaces.
void logLine(std::string_view utf8Line);

} // namespace ride
