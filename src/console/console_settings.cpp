// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/console_settings.h"

#include "base/numeric_value.h"
#include "io/serial_device.h"

namespace ride {

std::optional<double> speedCoefficientSetting(TextView setting)
{
    const double coefficient = numericSetting(setting, 0);
    if (coefficient == 0) {
        return std::nullopt;
    }
    return coefficient;
}

double speedCoefficientFrom(TextView setting)
{
    return speedCoefficientSetting(setting).value_or(kDefaultSpeedCoefficient);
}

Travel travelFrom(TextView setting, std::int16_t fallback)
{
    const std::optional<std::int16_t> rounded = roundToInt16(numericSetting(setting, 0));
    if (!rounded) {
        return {fallback, Travel::Source::OutOfRange};
    }
    if (*rounded <= 0) {
        return {fallback, Travel::Source::NotAboveZero};
    }
    return {*rounded, Travel::Source::Setting};
}

std::optional<SerialPortSetting> serialPortFrom(TextView setting)
{
    if (!setting.empty() && setting.front() == u'/') {
        return SerialPortSetting{toUtf8(setting), 0};
    }
    const std::optional<std::int16_t> number = roundToInt16(numericSetting(setting, 0));
    if (!number) {
        return std::nullopt;
    }
    return SerialPortSetting{std::nullopt, *number};
}

std::optional<std::string> serialDeviceFor(TextView setting)
{
    const std::optional<SerialPortSetting> port = serialPortFrom(setting);
    if (!port) {
        return std::nullopt;
    }
    return port->devicePath ? port->devicePath : serialDeviceForPort(port->number);
}

bool hidesConsoleAtStart(TextView state)
{
    return state == u"正常";
}

} // namespace ride
