// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Bytes from the console shown on one line of bike-sim's output, whatever they hold.
#include <string>
#include <string_view>

namespace ride::sim {

// Printable ASCII stays; \r \n \t and backslash are written as escapes, every other byte as
// \xNN (so GBK text shows as its bytes, never as half a character on the terminal).
std::string printable(std::string_view bytes);

} // namespace ride::sim
