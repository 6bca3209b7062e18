// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one rule by which every part of the console turns a text into a number, and the
// rounding that turns such a number into a 16- or 32-bit integer.
#include "base/text.h"

#include <cstdint>
#include <optional>
#include <stdexcept>

namespace ride {

// Spaces, tabs and line feeds are removed wherever they stand; then an optional sign, digits,
// "." and an optional exponent are read as far as they fit, or "&H" followed by hexadecimal
// digits. A text without a leading number is 0. A carriage return is not a blank: like any other
// character that cannot belong to a number, it ends the reading. An exponent too large for a
// double reads as infinity ("1E400").
double numericValue(TextView text);

// Whether that reading finds a number at all: a text without one reads as 0 like "0" does.
bool hasLeadingNumber(TextView text);

// A setting's numeric value times `scale` (15 turns pixels into twips), or `fallback` when that
// is not a finite number: a setting that overflows is as unusable as a missing one.
double numericSetting(TextView text, double fallback, double scale = 1.0);

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
