// SPDX-License-Identifier: GPL-3.0-or-later
// The rule that turns any text into a number, and the rounding half to even into 16- and 32-bit
// integers. The value is compared with the C library's strtod on the same leading number, the
// rounding with nearbyint (which rounds half to even), and a number shown as shortest decimal
// text must read back as the same number; read as a setting, a value that is not finite gives
// the fallback. Undefined behaviour anywhere stops the run.
#include "base/numeric_value.h"
#include "fuzz_check.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

namespace ride::fuzz {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The text with blanks (space, tab, line feed; not carriage return) removed, up to the first
// character that is not ASCII.
std::string asciiWithoutBlanks(TextView text)
{
    std::string out;
    for (char16_t c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n') {
            continue;
        }
        if (c >= 0x80) {
            break;
        }
        out.push_back(static_cast<char>(c));
    }
    return out;
}

// The leading "[sign]digits[.digits][e[sign]digits]" of `s`; empty when it holds no digit.
std::string leadingDecimal(const std::string& s)
{
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    for (; i < s.size() && isDigit(s[i]); ++i) {
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && isDigit(s[i]); ++i) {
            ++digits;
        }
    }
    if (digits == 0) {
        return {};
    }
    std::size_t end = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            ++j;
        }
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j])) {
                ++j;
            }
            end = j;
        }
    }
    return s.substr(0, end);
}

template <typename Int>
void checkRounding(double value, std::optional<Int> rounded, Int (*strict)(double), const char* type)
{
    const std::string detail = std::string(type) + " of " + std::to_string(value);
    std::optional<Int> expected;
    if (std::isfinite(value)) {
        const double r = std::nearbyint(value); // the default rounding mode: half to even
        if (r >= double(std::numeric_limits<Int>::min()) && r <= double(std::numeric_limits<Int>::max())) {
            expected = static_cast<Int>(r);
        }
    }
    FUZZ_CHECK(rounded == expected, detail);
    bool threw = false;
    try {
        FUZZ_CHECK(strict(value) == expected.value_or(0), detail);
    } catch (const NumberOutOfRange&) {
        threw = true;
    }
    FUZZ_CHECK(threw == !expected.has_value(), detail);
}

} // namespace
} // namespace ride::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace ride;
    using namespace ride::fuzz;
    const Text text = textInput(std::string_view(reinterpret_cast<const char*>(data), size));

    const double value = numericValue(text);
    FUZZ_CHECK(!std::isnan(value), shown(text));

    const std::string plain = asciiWithoutBlanks(text);
    if (plain.size() >= 2 && plain[0] == '&' && (plain[1] == 'H' || plain[1] == 'h')) {
        FUZZ_CHECK(value >= 0, shown(text));
    } else {
        const std::string number = leadingDecimal(plain);
        const double expected = number.empty() ? 0.0 : std::strtod(number.c_str(), nullptr);
        // strtod keeps subnormal results; reading them as 0 is as good for every reader here.
        const bool subnormal = expected != 0 && std::fabs(expected) < DBL_MIN;
        FUZZ_CHECK(value == expected || (subnormal && value == 0), shown(text) + " read as " + std::to_string(value));
    }

    // A setting is the same number, scaled, unless that is not finite: then the fallback.
    const double twips = value * 15;
    const double setting = numericSetting(text, -7.5, 15);
    FUZZ_CHECK(setting == (std::isfinite(twips) ? twips : -7.5), shown(text) + " as a setting");

    checkRounding<std::int32_t>(value, roundToInt32(value), &toInt32, "int32");
    checkRounding<std::int16_t>(value, roundToInt16(value), &toInt16, "int16");

    if (std::isfinite(value)) {
        const Text written = shortestDecimal(value);
        const double back = numericValue(written);
        FUZZ_CHECK(back == value, std::to_string(value) + " shown as " + shown(written));
    }
    return 0;
}
