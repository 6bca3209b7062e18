// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the console does to the desktop's input, from one backend: the pointer and the keys,
// and, where the platform can tell, the keyboard focus and the focused window. One object provides
// all of them because on a real display they share one connection.
#include "base/upkeep.h"
#include "input/cursor.h"
#include "input/focused_window.h"
#include "input/input_focus.h"
#include "input/keystrokes.h"

#include <vector>

namespace ride {

class InputPlatform {
public:
    virtual ~InputPlatform() = default;

    virtual Cursor& cursor() = 0;
    virtual Keystrokes& keys() = 0;
    // Null where the platform cannot tell: the target-window guard then lets every key through,
    // and the network window gives no focus back.
    virtual FocusedWindowSource* focusedWindow() { return nullptr; }
    virtual InputFocus* inputFocus() { return nullptr; }
    // Periodic work the backend needs run on the UI thread.
    virtual std::vector<Upkeep> upkeep() { return {}; }
};

} // namespace ride
