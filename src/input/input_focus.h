// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keyboard focus of the display: which window has it, and handing it back to a window that
// had it before one of the console's own windows took it.
//
// Windows are the display's own handles; 0 stands for "no window" (no focus, the focus following
// the pointer, or no display at all). Neither call throws.

namespace ride {

using FocusWindow = unsigned long;

class InputFocus {
public:
    virtual ~InputFocus() = default;
    // The window that has the keyboard focus now, or 0.
    virtual FocusWindow current() = 0;
    // Gives the focus to `window` if it still exists and is on screen; returns whether it was
    // given. A window that has gone away is not an error: the focus then stays where it is.
    virtual bool giveTo(FocusWindow window) = 0;
};

} // namespace ride
