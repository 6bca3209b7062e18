// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The backends of the program as it runs at a site: "x11" for the pointer, keys and focus (XTest
// on the X display), "qt" for the serial line and the sockets (Qt SerialPort, QTcpSocket), "mpv"
// for the player window's videos (libmpv) with its animation programs. A new backend (uinput for
// Wayland, say) is one more entry here and a name in BackendNames.
#include "app/backend_table.h"

namespace ride {

BackendTable standardBackends();

} // namespace ride
