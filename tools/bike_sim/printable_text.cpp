// SPDX-License-Identifier: GPL-3.0-or-later
#include "bike_sim/printable_text.h"

#include <cstdio>

namespace ride::sim {

std::string printable(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\r': text += "\\r"; break;
        case '\n': text += "\\n"; break;
        case '\t': text += "\\t"; break;
        case '\\': text += "\\\\"; break;
        default:
            if (byte >= 0x20 && byte < 0x7F) {
                text.push_back(c);
            } else {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\x%02X", byte);
                text += escape;
            }
        }
    }
    return text;
}

} // namespace ride::sim
