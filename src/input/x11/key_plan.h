// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How to type a list of key actions on an X server, worked out from its keyboard mapping alone,
// without a display: which keycode and modifiers each key needs, which spare keycodes to borrow
// for characters the keymap lacks, and which earlier borrowings to give back. X11Keystrokes
// reads the mapping, asks for a plan, and carries it out.
//
// Keysyms and keycodes are plain numbers here, the same as Xlib's KeySym and KeyCode, so that
// no X header is needed to include this one.
#include "input/key_action.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ride {

using KeysymNumber = unsigned long;
using KeycodeNumber = std::uint8_t;

// The server's core keyboard mapping as XGetKeyboardMapping gives it: `perCode` keysyms for
// each keycode from `minCode` on. `perCode` 0 means the mapping could not be read.
struct KeyboardMap {
    int minCode = 0;
    int perCode = 0;
    std::vector<KeysymNumber> syms;

    int codeCount() const { return perCode > 0 ? static_cast<int>(syms.size()) / perCode : 0; }
    bool hasCode(int code) const { return code >= minCode && code < minCode + codeCount(); }
    KeysymNumber at(int code, int column) const { return syms[index(code, column)]; }

    // Gives `code` the row of a borrowed keycode (see borrowedRow).
    void set(int code, KeysymNumber sym);

private:
    std::size_t index(int code, int column) const
    {
        return static_cast<std::size_t>((code - minCode) * perCode + column);
    }
};

// The row of a borrowed keycode, as XChangeKeyboardMapping takes it: `sym` plain and with Shift,
// nothing on the other levels. Keysym 0 (NoSymbol) empties the keycode.
std::vector<KeysymNumber> borrowedRow(int perCode, KeysymNumber sym);

// A spare keycode lent to a keysym the keymap lacked.
struct KeyBinding {
    KeycodeNumber code = 0;
    KeysymNumber sym = 0;
    std::chrono::steady_clock::time_point lastUsed;

    bool operator==(const KeyBinding&) const = default;
};

// True while the binding's keycode still carries its keysym. Someone else may have remapped the
// key meanwhile; then it is no longer ours to clear.
bool stillBound(const KeyboardMap& map, const KeyBinding& binding);

struct PlannedStroke {
    KeycodeNumber code = 0;
    bool shift = false;
    bool control = false;
    bool alt = false;
    bool capsLock = false; // the key is Caps Lock itself, which acts on the user's Caps Lock state

    bool operator==(const PlannedStroke&) const = default;
};

struct KeyPlan {
    // Keycodes to empty first: bindings that expired and are not needed by this string, or were
    // evicted to make room. Only those still bound; the others are just forgotten.
    std::vector<KeyBinding> giveBack;
    // Spare keycodes to bind next, each to the keysym in both of its first two columns.
    std::vector<KeyBinding> borrow;
    // What is lent out once the plan is carried out, used ones stamped with the time of the send.
    std::vector<KeyBinding> bindings;
    std::vector<PlannedStroke> strokes;
    // Keys the keymap lacks and no keycode could be lent to: left out of `strokes`, each named
    // once, without its modifiers, in the order the string asks for them.
    std::vector<KeyAction> leftOut;
    // The modifier keys, set when some stroke needs them.
    std::optional<KeycodeNumber> shiftKey;
    std::optional<KeycodeNumber> controlKey;
    std::optional<KeycodeNumber> altKey;
};

struct [[nodiscard]] KeyPlanResult {
    std::optional<KeyPlan> plan;
    std::string problem; // why nothing can be typed, when there is no plan
};

// When a binding expires: `lifetime` after it was last used, as seen at `now`.
struct BindingClock {
    std::chrono::steady_clock::time_point now;
    std::chrono::milliseconds lifetime;
};

// Plans `actions` for `map` while `bindings` are lent out. Characters and named keys are looked
// up in the first two columns only (plain and Shift); a Latin-1 character may also be found
// under its Unicode keysym. A keysym found nowhere borrows the lowest empty keycode (above 8):
// Wine gives the keycodes it does not know a virtual key of its own in keycode order, from a
// pool that a PC keymap exhausts at about keycode 160, and types no character for a keycode
// left without one. When no keycode is empty, the least recently used binding this string does
// not need is given back to make room; when there is none either, the key is left out and the
// rest of the string is planned.
KeyPlanResult planKeystrokes(const KeyboardMap& map, const std::vector<KeyBinding>& bindings,
                             const std::vector<KeyAction>& actions, BindingClock clock);

// A key for a log line: a character in quotes with its code point, "é" (U+00E9); a named key
// as the notation writes it, {F16}.
std::string keyForLog(const KeyAction& action);

} // namespace ride
