// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Queue items that begin with "HEX " are sent as the bytes they spell: pairs of hexadecimal
// digits at every third character after the prefix, the character between pairs ignored.
#include "base/text.h"

#include <string>

namespace ride {

constexpr TextView kHexPrefix = u"HEX ";
constexpr std::size_t kHexBufferSize = 201;

bool isHexItem(TextView item);

// The n decoded bytes followed by one 0x00 byte: n + 1 bytes. Pairs beyond what the
// 201-byte buffer holds are not sent.
std::string decodeHexItem(TextView item);

} // namespace ride
