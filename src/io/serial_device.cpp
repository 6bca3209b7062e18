// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/serial_device.h"

namespace ride {

std::optional<std::string> serialDeviceForPort(int number)
{
    if (number < 1) {
        return std::nullopt;
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

} // namespace ride
