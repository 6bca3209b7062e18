// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One thing found about the site, for the site check: ok, a warning (the installation works, but
// something is not as the installer may think) or a problem (something that would stop the
// installation working). Backends say what they find about themselves in the same words.
#include <string>

namespace ride {

enum class FindingLevel { Ok, Warning, Problem };

struct Finding {
    FindingLevel level;
    std::string text; // one line, UTF-8
};

} // namespace ride
