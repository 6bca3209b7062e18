// SPDX-License-Identifier: GPL-3.0-or-later
// Queue items sent as bytes: any text after "HEX " (and any text without it) decodes to one byte
// per pair position, at most 200 of them, followed by a 0x00; a pair of two hexadecimal digits is
// the byte they spell.
#include "fuzz_check.h"
#include "network/hex_item.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace ride::fuzz {
namespace {

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

} // namespace
} // namespace ride::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace ride;
    using namespace ride::fuzz;
    const Text item = textInput(std::string_view(reinterpret_cast<const char*>(data), size));

    FUZZ_CHECK(isHexItem(item) == (TextView(item).substr(0, 4) == u"HEX "), shown(item));

    // Pairs start at every third character after the four of the prefix.
    const std::size_t pairs = item.size() > 4 ? (item.size() - 4 + 2) / 3 : 0;
    const std::string sent = decodeHexItem(item);
    FUZZ_CHECK(sent.size() == std::min<std::size_t>(pairs, 200) + 1,
               shown(item) + " gave " + std::to_string(sent.size()) + " bytes");
    FUZZ_CHECK(sent.back() == '\0', shown(item));

    for (std::size_t n = 0; n + 1 < sent.size(); ++n) {
        const std::size_t p = 4 + 3 * n;
        const unsigned byte = static_cast<unsigned char>(sent[n]);
        const int high = hexDigit(item[p]);
        const int low = p + 1 < item.size() ? hexDigit(item[p + 1]) : -1;
        // Blanks inside a pair are skipped; reading stops at the first other non-digit.
        unsigned expected = 0;
        if (high >= 0) {
            expected = low >= 0 ? unsigned(high * 16 + low) : unsigned(high);
        } else if (isBlank(item[p]) && low >= 0) {
            expected = unsigned(low);
        }
        FUZZ_CHECK(byte == expected, shown(item) + " pair " + std::to_string(n));
    }
    return 0;
}
