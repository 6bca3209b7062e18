// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the environment says about the desktop session the pointer and keys go to: the X display,
// and whether the session is Wayland, where XTest reaches X programs only. Pure functions of the
// variables, no platform headers.

namespace ride {

// The variables as getenv gives them: null when unset.
struct DisplayEnvironment {
    const char* display = nullptr;        // $DISPLAY
    const char* waylandDisplay = nullptr; // $WAYLAND_DISPLAY
    const char* sessionType = nullptr;    // $XDG_SESSION_TYPE
};

// This process's variables, read now; the pointers are valid until the environment changes.
DisplayEnvironment currentDisplayEnvironment();

// $WAYLAND_DISPLAY set (not empty) or $XDG_SESSION_TYPE "wayland"; null means unset.
bool isWaylandSession(const char* waylandDisplay, const char* sessionType);

} // namespace ride
