// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bike controller's record as the console reads it: marker, speed, direction, key block
// and end mark, 30 characters, or 28 when the controller reports its keys in the short form.
#include <array>
#include <string>

namespace ride::sim {

inline constexpr int kKeyCount = 6;
// What fits a three-character field: two digits after a minus sign, or three digits.
inline constexpr int kFieldMin = -99;
inline constexpr int kFieldMax = 999;

struct BikeState {
    int speed = 0;
    int direction = 90;
    std::array<bool, kKeyCount> keys{};

    bool operator==(const BikeState&) const = default;
};

enum class RecordLength { Full = 30, Short = 28 };

// Offsets the console relies on, counted from the first character of the marker.
inline constexpr std::size_t kSpeedOffset = 5;
inline constexpr std::size_t kDirectionOffset = 11;
inline constexpr std::size_t kKeyBlockOffset = 20;
inline constexpr std::size_t kFlagsOffset = 23;

// "012", "-20", "180". A value beyond -99..999 is held at the nearer end: a wider number
// would shift every later field and the console would decode nothing at all.
std::string formatField(int value);

// ":::S=012xxx090xxxxxx,DIABBBBB." ("A" pressed, "B" released). The short form ends with the
// end mark right after the fourth flag, so keys 5 and 6 cannot be reported in it.
std::string formatRecord(const BikeState& state, RecordLength length);

} // namespace ride::sim
