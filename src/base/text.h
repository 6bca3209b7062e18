// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text as the console holds it: UTF-16 code units, so that lengths and positions count the
// way the operator-visible boxes count them. Conversions to and from the outside world
// (GBK files and lines, UTF-8 logs and widgets) live here.
#include <string>
#include <string_view>

namespace ride {

using Text = std::u16string;
using TextView = std::u16string_view;

// GBK (code page 936). Characters GBK cannot hold become '?'.
std::string toGbk(TextView text);
// Bytes that are not valid GBK become U+FFFD; a lone lead byte at the end as well.
Text fromGbk(std::string_view bytes);

// Decodes a GBK byte stream that arrives in pieces: a two-byte character split between
// two pieces is held back until its second byte arrives.
class GbkStreamDecoder {
public:
    Text feed(std::string_view bytes);
    bool holdsPartialCharacter() const { return !pending_.empty(); }
    void reset() { pending_.clear(); }

private:
    std::string pending_;
};

std::string toUtf8(TextView text);
Text fromUtf8(std::string_view utf8);

} // namespace ride
