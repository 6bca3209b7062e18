// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the console does on an X display, over one connection: the pointer, the keys, the
// keyboard focus and the focused window. The parts share the connection instead of each opening
// its own, and the periodic work they need is handed to whoever runs the event loop.
#include "base/upkeep.h"
#include "input/input_platform.h"
#include "input/x11/x11_cursor.h"
#include "input/x11/x11_focused_window.h"
#include "input/x11/x11_input_focus.h"
#include "input/x11/x11_keystrokes.h"

#include <chrono>
#include <memory>
#include <string_view>
#include <vector>

namespace ride {

class X11Display;

class X11Platform : public InputPlatform {
public:
    // An empty name means $DISPLAY. When the display cannot be opened, the pointer, the keys and
    // the focus each log what they go without, as the focused window does on its first question;
    // the parts then work as their interfaces say they do without a display.
    // `bindingLifetime`: how long a keycode lent to a character stays lent after its last use.
    explicit X11Platform(std::string_view displayName = {},
                         std::chrono::milliseconds bindingLifetime = std::chrono::minutes(10));
    ~X11Platform() override;
    X11Platform(const X11Platform&) = delete;
    X11Platform& operator=(const X11Platform&) = delete;

    // The display is open.
    bool connected() const;

    Cursor& cursor() override { return cursor_; }
    Keystrokes& keys() override { return keys_; }
    InputFocus* inputFocus() override { return &focus_; }
    // Asks the server nothing until its first question.
    FocusedWindowSource* focusedWindow() override { return &focusedWindow_; }

    // The keymap restore: characters the keymap lacks are typed through borrowed keycodes, given
    // back once the target program has had time to read them, also when no further key string
    // comes. The tasks use this platform and must not run after it is gone.
    std::vector<Upkeep> upkeep() override;

private:
    // Declared first: the parts borrow it, so it is made before them and goes after them.
    std::unique_ptr<X11Display> display_;
    X11Cursor cursor_;
    X11Keystrokes keys_;
    X11InputFocus focus_;
    X11FocusedWindow focusedWindow_;
};

} // namespace ride
