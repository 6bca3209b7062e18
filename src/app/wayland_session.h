#pragma once
// The pointer and keys go through XTest, which reaches X clients only: in a Wayland session the
// roaming program, if it is a native Wayland one, never sees them. The console says so once at
// start instead of failing silently.
#include <string_view>

namespace ride {

// $WAYLAND_DISPLAY set (not empty) or $XDG_SESSION_TYPE "wayland"; null means unset.
bool isWaylandSession(const char* waylandDisplay, const char* sessionType);

// Logs the warning once when the environment names a Wayland session.
void warnIfWaylandSession();

} // namespace ride
