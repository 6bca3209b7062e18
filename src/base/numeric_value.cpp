// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/numeric_value.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>

namespace ride {
namespace {

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexDigit(char c)
{
    if (isDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Accumulated in a double so that any length of digits gives a (rounded) value instead of
// wrapping; "&H" alone is 0 like any text without digits.
double hexValue(std::string_view digits)
{
    double value = 0;
    for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0) {
            break;
        }
        value = value * 16 + d;
    }
    return value;
}

// The decimal reading of `s` (blanks already gone, ASCII only). from_chars leaves the value
// alone when it is out of range, so the direction (inf or 0) is worked out from the digits.
double decimalValue(std::string_view s)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i++] == '-';
    }
    const std::size_t mantissa = i;

    // Decimal exponent of the leading significant digit, to tell overflow from underflow.
    long long magnitude = 0;
    bool significant = false;
    std::size_t digits = 0;
    for (; i < s.size() && isDigit(s[i]); ++i, ++digits) {
        if (significant) {
            ++magnitude;
        } else if (s[i] != '0') {
            significant = true;
        }
    }
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && isDigit(s[i]); ++i, ++digits) {
            if (significant) {
                continue;
            }
            --magnitude;
            significant = s[i] != '0';
        }
    }
    if (digits == 0) {
        return 0;
    }

    std::size_t end = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            negativeExponent = s[j++] == '-';
        }
        if (j < s.size() && isDigit(s[j])) {
            long long exponent = 0;
            for (; j < s.size() && isDigit(s[j]); ++j) {
                if (exponent < 1'000'000) {
                    exponent = exponent * 10 + (s[j] - '0');
                }
            }
            magnitude += negativeExponent ? -exponent : exponent;
            end = j;
        }
    }

    double value = 0;
    const auto [ptr, ec] = std::from_chars(s.data() + mantissa, s.data() + end, value, std::chars_format::general);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (ec != std::errc()) {
        value = 0;
    }
    return negative ? -value : value;
}

// What the reading looks at: the text without blanks, up to the first character that is not
// ASCII (only ASCII can take part in a number).
std::string numberText(TextView text)
{
    std::string s;
    s.reserve(text.size());
    for (char16_t c : text) {
        if (isBlank(c)) {
            continue;
        }
        if (c >= 0x80) {
            break;
        }
        s.push_back(static_cast<char>(c));
    }
    return s;
}

bool isHex(std::string_view s)
{
    return s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h');
}

std::optional<double> roundHalfEven(double value)
{
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    double result = std::floor(value);
    const double fraction = value - result;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(result, 2.0) != 0.0)) {
        result += 1;
    }
    return result;
}

template <typename Int>
std::optional<Int> roundTo(double value)
{
    const std::optional<double> rounded = roundHalfEven(value);
    if (!rounded || *rounded < std::numeric_limits<Int>::min() || *rounded > std::numeric_limits<Int>::max()) {
        return std::nullopt;
    }
    return static_cast<Int>(*rounded);
}

[[noreturn]] void throwOutOfRange(double value, const char* range)
{
    throw NumberOutOfRange(toUtf8(shortestDecimal(value)) + " is out of range for " + range);
}

} // namespace

double numericValue(TextView text)
{
    const std::string s = numberText(text);
    if (isHex(s)) {
        return hexValue(std::string_view(s).substr(2));
    }
    return decimalValue(s);
}

bool hasLeadingNumber(TextView text)
{
    const std::string s = numberText(text);
    if (isHex(s)) {
        return s.size() > 2 && hexDigit(s[2]) >= 0;
    }
    std::size_t i = s.empty() || (s[0] != '+' && s[0] != '-') ? 0 : 1;
    if (i < s.size() && s[i] == '.') {
        ++i;
    }
    return i < s.size() && isDigit(s[i]);
}

double numericSetting(TextView text, double fallback, double scale)
{
    const double value = numericValue(text) * scale;
    return std::isfinite(value) ? value : fallback;
}

std::optional<std::int16_t> roundToInt16(double value)
{
    return roundTo<std::int16_t>(value);
}
std::optional<std::int32_t> roundToInt32(double value)
{
    return roundTo<std::int32_t>(value);
}

std::int16_t toInt16(double value)
{
    if (const auto result = roundToInt16(value)) {
        return *result;
    }
    throwOutOfRange(value, "a 16-bit integer (-32768..32767)");
}

std::int32_t toInt32(double value)
{
    if (const auto result = roundToInt32(value)) {
        return *result;
    }
    throwOutOfRange(value, "a 32-bit integer (-2147483648..2147483647)");
}

// Plain digits for magnitudes from 1E-05 up to below 1E+15, the exponent form "1E+20" outside
// that, so that a caption built from a setting stays short in the console's fixed layout whatever
// the setting holds. Negative zero shows as "0".
Text shortestDecimal(double value)
{
    if (value == 0) {
        return u"0";
    }
    // Fixed notation of the largest double below 1E+15 needs well under 64 characters.
    char buffer[64];
    const auto scientific = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string text(buffer, scientific.ptr);
    const std::size_t e = text.find('e');
    if (e != std::string::npos) {
        const int exponent = std::atoi(text.c_str() + e + 1);
        if (exponent >= -5 && exponent < 15) {
            const auto fixed = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
            text.assign(buffer, fixed.ptr);
        } else {
            text[e] = 'E';
        }
    }
    return Text(text.begin(), text.end());
}

} // namespace ride
