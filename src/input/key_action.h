// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One key press of a key string, as the notation's parser hands it to a keystroke backend: a
// character or a named key, with the modifiers held around it.
#include <cstdint>

namespace ride {

enum class NamedKey : std::uint8_t {
    Backspace,
    Break,
    CapsLock,
    Delete,
    Down,
    End,
    Enter,
    Escape,
    Help,
    Home,
    Insert,
    Left,
    NumLock,
    PageDown,
    PageUp,
    PrintScreen,
    Right,
    ScrollLock,
    Tab,
    Up,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    F13,
    F14,
    F15,
    F16,
    KeypadAdd,
    KeypadSubtract,
    KeypadMultiply,
    KeypadDivide,
};

struct Modifiers {
    bool shift = false;
    bool control = false;
    bool alt = false;

    bool any() const { return shift || control || alt; }
    Modifiers operator|(Modifiers other) const
    {
        return {shift || other.shift, control || other.control, alt || other.alt};
    }
    bool operator==(const Modifiers&) const = default;
};

struct KeyAction {
    enum class Kind : std::uint8_t { Char, Named };

    Kind kind = Kind::Char;
    char32_t ch = 0;                // for Kind::Char
    NamedKey key = NamedKey::Enter; // for Kind::Named
    Modifiers mods;

    static KeyAction character(char32_t c, Modifiers m = {}) { return {Kind::Char, c, NamedKey::Enter, m}; }
    static KeyAction named(NamedKey k, Modifiers m = {}) { return {Kind::Named, 0, k, m}; }
    bool operator==(const KeyAction&) const = default;
};

} // namespace ride
