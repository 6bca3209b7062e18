// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Wall-clock stamps for the tools' output lines, so that what bike-sim sent and what
// ride-target received can be lined up by eye across two terminals.
#include <chrono>
#include <string>

namespace ride::tools {

// "HH:MM:SS.mmm" in local time.
std::string clockText(std::chrono::system_clock::time_point when);
std::string clockNow();

} // namespace ride::tools
