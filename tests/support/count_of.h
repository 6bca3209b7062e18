// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How many times a part occurs in a text, overlapping occurrences included: log lines of one kind
// in captured standard error, for instance.
#include <string>

namespace ride::testing {

inline int countOf(const std::string& text, const std::string& part)
{
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

} // namespace ride::testing
