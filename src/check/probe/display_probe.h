#pragma once
// The desktop the pointer and keys go to: an X server this user can reach on $DISPLAY, its
// XTest extension, and whether the session is Wayland, where XTest reaches X programs only.
#include "check/check_report.h"

namespace ride {

void probeDisplay(CheckReport& report);

} // namespace ride
