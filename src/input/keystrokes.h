// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Typing key actions into the window that has the keyboard focus. The key string was parsed
// before it got here (input/key_notation.h): a backend only types, or says why it cannot.
// Implementations return at once without waiting for the keys to be handled.
#include "input/key_action.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ride {

// What became of one send. A backend reports failure only through this value: it throws no
// exception. `failure` is empty when the keys are on their way; otherwise it says in English why
// nothing of the list was typed ("no X display", "the keymap lacks a Shift, Control or Alt
// key"), without the key string: the caller, who knows the string and the box it came from,
// logs it with rejectedKeysLine(). A key the platform cannot produce at all (no keycode left
// for a character) is the backend's own to log, once: it leaves that key out and types the rest.
struct [[nodiscard]] KeySendResult {
    std::optional<std::string> failure;

    bool typed() const { return !failure.has_value(); }

    static KeySendResult done() { return {}; }
    static KeySendResult refused(std::string reason) { return {std::move(reason)}; }
};

class Keystrokes {
public:
    virtual ~Keystrokes() = default;
    // Types the actions in order. An empty list types nothing, but a backend that could type
    // nothing at all (no display) still refuses it.
    virtual KeySendResult send(const std::vector<KeyAction>& actions) = 0;
};

} // namespace ride
