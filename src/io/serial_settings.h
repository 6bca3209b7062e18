// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The classic serial settings text, "9600,N,8,1": baud rate, parity letter, data bits, stop bits.
#include "base/text.h"

#include <optional>
#include <string>

namespace ride {

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

struct SerialSettings {
    int baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;
    bool operator==(const SerialSettings&) const = default;
};

// Empty when the text is not four valid fields; blanks around the fields are allowed.
[[nodiscard]] std::optional<SerialSettings> parseSerialSettings(TextView text);

// The settings in the same form, "9600,N,8,1", for log lines.
std::string serialSettingsText(const SerialSettings& settings);

} // namespace ride
