// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/hex_item.h"

namespace ride {
namespace {

// Reads up to two characters as a hexadecimal number: blanks skipped, stops at the first
// character that is no hex digit, no digit at all gives 0.
unsigned char readPair(TextView pair)
{
    unsigned value = 0;
    for (char16_t c : pair) {
        if (c == u' ' || c == u'\t' || c == u'\n') {
            continue;
        }
        unsigned digit;
        if (c >= u'0' && c <= u'9') {
            digit = unsigned(c - u'0');
        } else if (c >= u'A' && c <= u'F') {
            digit = unsigned(c - u'A' + 10);
        } else if (c >= u'a' && c <= u'f') {
            digit = unsigned(c - u'a' + 10);
        } else {
            break;
        }
        value = value * 16 + digit;
    }
    return static_cast<unsigned char>(value);
}

} // namespace

bool isHexItem(TextView item)
{
    return item.substr(0, kHexPrefix.size()) == kHexPrefix;
}

std::string decodeHexItem(TextView item)
{
    std::string bytes;
    // 1-based positions 5, 8, 11, ... are 0-based 4, 7, 10, ...
    for (std::size_t p = kHexPrefix.size(); p < item.size(); p += 3) {
        if (bytes.size() == kHexBufferSize - 1) {
            break; // the buffer's last place holds the closing 0x00
        }
        bytes.push_back(static_cast<char>(readPair(item.substr(p, 2))));
    }
    bytes.push_back('\0');
    return bytes;
}

} // namespace ride
