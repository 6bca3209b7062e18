// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/window_pattern.h"

#include <cstdint>
#include <string>

namespace ride {
namespace {

// UTF-8 to code points. A byte that does not start a well-formed sequence stands for itself
// (as a value no code point has), so that broken titles still compare byte for byte.
std::u32string codePoints(std::string_view utf8)
{
    std::u32string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = 0;
        char32_t value = 0;
        if (lead < 0x80) {
            length = 1;
            value = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            value = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            value = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            value = lead & 0x07u;
        }
        bool wellFormed = length > 0 && i + length <= utf8.size();
        for (std::size_t k = 1; wellFormed && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            wellFormed = (next & 0xC0) == 0x80;
            value = (value << 6) | (next & 0x3Fu);
        }
        if (!wellFormed) {
            out.push_back(char32_t{0x110000} + lead);
            ++i;
            continue;
        }
        out.push_back(value);
        i += length;
    }
    return out;
}

} // namespace

bool wildcardMatch(std::string_view patternUtf8, std::string_view textUtf8)
{
    const std::u32string pattern = codePoints(patternUtf8);
    const std::u32string text = codePoints(textUtf8);
    constexpr std::size_t none = std::u32string::npos;
    std::size_t p = 0;
    std::size_t t = 0;
    // Only the latest star ever needs to take more characters: everything before it has matched
    // already, and any earlier star could only shift what the later one must find.
    std::size_t star = none;
    std::size_t starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == U'?' || (pattern[p] != U'*' && pattern[p] == text[t]))) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == U'*') {
            star = p++;
            starText = t;
        } else if (star != none) {
            p = star + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*') {
        ++p;
    }
    return p == pattern.size();
}

bool windowMatches(std::string_view pattern, const FocusedWindow& window)
{
    if (window.kind != FocusedWindow::Kind::Client) {
        return false;
    }
    for (const auto* name : {&window.instance, &window.windowClass, &window.title}) {
        if (name->has_value() && wildcardMatch(pattern, **name)) {
            return true;
        }
    }
    return false;
}

} // namespace ride
