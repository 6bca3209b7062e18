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
    // program reads the keymap only when it handles the key event, so a binding must outlive
    // the send: it is given back when a later send starts and it is older than
    // `bindingLifetime`, on restoreKeymap(), or on destruction.
    explicit X11Keystrokes(X11Display& display, std::chrono::milliseconds bindingLifetime = std::chrono::seconds(2));
    ~X11Keystrokes() override;
    X11Keystrokes(const X11Keystrokes&) = delete;
    X11Keystrokes& operator=(const X11Keystrokes&) = delete;

    bool connected() const;
    // Fails without typing anything when the keymap has no room for a missing character, lacks
    // a Shift, Control or Alt key that a stroke needs, or the server refuses a keymap change.
    KeySendResult send(const std::vector<KeyAction>& actions) override;

    // Gives every spare keycode bound for a missing character back to the keymap.
    void restoreKeymap();
    // Gives back the bindings older than the lifetime; for a periodic timer of the owner.
    void restoreExpiredBindings();
    // True while a spare keycode is bound, so an owner with a timer can restore it later.
    bool holdsBindings() const;

private:
    struct Impl; // keeps Xlib out of this header: its macros break Qt headers
    std::unique_ptr<Impl> x_;
};

} // namespace ride
