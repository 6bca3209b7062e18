#pragma once
// The one rule by which every part of the console turns a text into a number, and the
// rounding that turns such a number into a 16- or 32-bit integer.
#include "base/text.h"

#include <cstdint>
#include <optional>
#include <stdexcept>

namespace ride {

// Blanks (space, tab, CR, LF) are removed wherever they stand; then an optional sign,
// digits, "." and an optional exponent are read as far as they fit, or "&H" followed by
// hexadecimal digits. A text without a leading number is 0.
double numericValue(TextView text);

// Rounds half to even. Empty when the result does not fit the type (or is not a number).
[[nodiscard]] std::optional<std::int16_t> roundToInt16(double value);
[[nodiscard]] std::optional<std::int32_t> roundToInt32(double value);

// The same, for steps whose failure is handled by skipping the step: throws NumberOutOfRange.
class NumberOutOfRange : public std::range_error {
public:
    using std::range_error::range_error;
};
std::int16_t toInt16(double value);
std::int32_t toInt32(double value);

// Shortest decimal text that reads back as the same double: 7.2 -> "7.2", 12 -> "12",
// 0.5 -> "0.5", 1e+20 -> "1E+20".
Text shortestDecimal(double value);

} // namespace ride
