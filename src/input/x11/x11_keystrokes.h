// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Types key actions into the focused window of an X display through XTEST, on the connection
// it shares with the pointer and the focus.
#include "input/keystrokes.h"

#include <chrono>
#include <memory>
#include <vector>

namespace ride {

class X11Display;

class X11Keystrokes : public Keystrokes {
public:
    // Uses `display`, which must outlive it. Without a display (or without XTEST, for which it
    // logs, as for a display that is not open) every send fails with "no X display".
    //
    // Characters the keymap lacks are typed by binding them to a spare keycode. The target
    // program reads the keymap only when it handles the key event (a Windows program under Wine
    // even later, when it turns the key into a character), so a binding is held for as long as
    // it is in use: it is given back once it has not been used for `bindingLifetime` (by a
    // later send or restoreExpiredBindings()), on restoreKeymap(), or on destruction.
    explicit X11Keystrokes(X11Display& display, std::chrono::milliseconds bindingLifetime = std::chrono::minutes(10));
    ~X11Keystrokes() override;
    X11Keystrokes(const X11Keystrokes&) = delete;
    X11Keystrokes& operator=(const X11Keystrokes&) = delete;

    bool connected() const;
    // Fails without typing anything when the keymap lacks a Shift, Control or Alt key that a
    // stroke needs, or the server refuses a keymap change. A key the keymap lacks and has no
    // keycode left to lend to is left out, the rest is typed, and one log line names it, once
    // for the life of the object.
    KeySendResult send(const std::vector<KeyAction>& actions) override;

    // Gives every spare keycode bound for a missing character back to the keymap.
    void restoreKeymap();
    // Gives back the bindings unused for the lifetime; for the owner to run about once a second.
    void restoreExpiredBindings();
    // True while a spare keycode is bound, so an owner with a timer can restore it later.
    bool holdsBindings() const;

private:
    struct Impl; // keeps Xlib out of this header: its macros break Qt headers
    std::unique_ptr<Impl> x_;
};

} // namespace ride
