// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/focused_window.h"

#include <cstddef>

namespace ride {
namespace {

constexpr std::size_t kShownBytes = 80;

std::string shown(const std::optional<std::string>& name)
{
    if (!name) {
        return "none";
    }
    std::size_t end = name->size();
    if (end > kShownBytes) {
        end = kShownBytes;
        // Back to the start of a UTF-8 character.
        while (end > 0 && (static_cast<unsigned char>((*name)[end]) & 0xC0) == 0x80) {
            --end;
        }
    }
    std::string out = "\"";
    for (std::size_t i = 0; i < end; ++i) {
        const auto byte = static_cast<unsigned char>((*name)[i]);
        out.push_back(byte < 0x20 || byte == 0x7F ? '?' : (*name)[i]);
    }
    if (end < name->size()) {
        out += "...";
    }
    return out + "\"";
}

} // namespace

std::string describeNames(const FocusedWindow& window)
{
    return "class " + shown(window.instance) + " " + shown(window.windowClass) + ", title " + shown(window.title);
}

} // namespace ride
