// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which device a serial port number names: the serial line opens it, and the site check reports it.
#include <optional>
#include <string>

namespace ride {

// Port n (1 or more) is the n-th serial port, /dev/ttyS{n-1}; 0 or less names none.
[[nodiscard]] std::optional<std::string> serialDeviceForPort(int number);

} // namespace ride
