// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The installer's pattern for the window that may receive keys: case-sensitive, "*" for any run
// of characters (none included), "?" for exactly one, every other character for itself.
#include "input/focused_window.h"

#include <string_view>

namespace ride {

// Pattern and text are UTF-8; "?" takes one whole character, not one byte. Iterative, without
// recursion or allocation per star: at most pattern length × text length steps, linear for the
// patterns people write.
[[nodiscard]] bool wildcardMatch(std::string_view pattern, std::string_view text);

// Whether the pattern matches the window's WM_CLASS instance, its class name or its title. A
// property the window lacks matches nothing, not even "*"; a window that is not a client (the
// focus on the root window, or not known) never matches.
[[nodiscard]] bool windowMatches(std::string_view pattern, const FocusedWindow& window);

} // namespace ride
