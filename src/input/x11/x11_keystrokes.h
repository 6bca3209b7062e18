#pragma once
// Types key actions into the focused window of an X display through XTEST, on a
// connection of its own.
#include "input/keystrokes.h"

#include <chrono>
#include <memory>
#include <string_view>
#include <vector>

namespace ride {

class X11Keystrokes : public Keystrokes {
public:
    // An empty name means $DISPLAY. Without a display (or without XTEST) every send fails with
    // "no X display".
    //
    // Characters the keymap lacks are typed by binding them to a spare keycode. The target
    // program reads the keymap only when it handles the key event, so a binding must outlive
    // the send: it is given back when a later send starts and it is older than
    // `bindingLifetime`, on restoreKeymap(), or on destruction.
    explicit X11Keystrokes(std::string_view displayName = {},
                           std::chrono::milliseconds bindingLifetime = std::chrono::seconds(2));
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
