// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the console turns what [控制界面] and [串口设置] hold into what it uses. Its start-up applies
// these rules and the site check reports by them, so that the check says what the console does.
#include "base/text.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ride {

inline constexpr double kDefaultSpeedCoefficient = 7.2;
inline constexpr std::int16_t kDefaultXTravel = 1024;
inline constexpr std::int16_t kDefaultYTravel = 768;

// 速度比例系数: its numeric value; none when that is 0 (a missing value too) or not a finite
// number, and the default applies.
std::optional<double> speedCoefficientSetting(TextView setting);
double speedCoefficientFrom(TextView setting);

// 鼠标X方向移动宽度 and 鼠标Y方向移动高度: the numeric value rounded half to even to 16 bits when
// that is above 0; otherwise `fallback` (1024 across, 768 down).
struct Travel {
    enum class Source {
        Setting,      // the value as rounded
        OutOfRange,   // does not fit 16 bits
        NotAboveZero, // 0 or below, a missing value and one without a number too
    };
    std::int16_t pixels;
    Source source;
};
Travel travelFrom(TextView setting, std::int16_t fallback);

// 端口: a value starting with "/" is the device path itself; any other is a port number (its
// numeric value rounded half to even to 16 bits, serialDeviceForPort). None when the number does
// not fit 16 bits: the line is then told nothing and opens no device.
struct SerialPortSetting {
    std::optional<std::string> devicePath;
    std::int16_t number = 0; // when there is no path
};
std::optional<SerialPortSetting> serialPortFrom(TextView setting);

// The device the console opens for a 端口 value; none when the value names none.
std::optional<std::string> serialDeviceFor(TextView setting);

// 状态: exactly "正常" (reads are trimmed) hides the console at start; it keeps working hidden.
bool hidesConsoleAtStart(TextView state);

} // namespace ride
