// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The common keystroke notation used by the key boxes, turned into one action per key press.
//
//   abc 中 A     characters typed as themselves (the backend decides whether shift is needed)
//   + ^ %        hold shift, control, alt for the next key or the next (group); they combine
//   ~            Enter
//   {NAME}       a named key, case-insensitive: {LEFT}, {F5}, {ADD} (keypad) ...
//   {NAME n}     the key n times (0..1000); {a 5} types "aaaaa"
//   {+} {}} ...  a character that otherwise has a meaning, typed as itself
//   ( )          a group; groups may nest, and the modifiers of all enclosing groups apply
//
// Positions in messages count UTF-16 code units from 1, the way the boxes count characters.
#include "base/text.h"
#include "input/key_action.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ride {

// The canonical name as written in braces, e.g. "PGDN", "F12".
std::string_view keyName(NamedKey key);

inline constexpr int kMaxRepeatCount = 1000;
// Guards the target program (and the UI thread) against a runaway string.
inline constexpr std::size_t kMaxKeyPresses = 10000;

enum class KeyFault : std::uint8_t {
    UnclosedBrace,
    EmptyBraces,
    BareClosingBrace,
    UnknownKeyName,
    BadRepeatCount,
    RepeatCountTooLarge,
    UnclosedGroup,
    UnmatchedParenthesis,
    EmptyGroup,
    DanglingModifier,
    ControlCharacter,
    BrokenSurrogate,
    TooManyKeys,
};

struct KeyParseError {
    KeyFault fault;
    std::size_t position; // 1-based, in UTF-16 code units
    std::string message;  // English, ends with "at <position>"
};

struct KeyParseResult {
    std::vector<KeyAction> actions;
    std::optional<KeyParseError> error;

    bool ok() const { return !error.has_value(); }
};

[[nodiscard]] KeyParseResult parseKeys(TextView keys);

// For a settings UI: nullopt when the string is fine, else the message.
std::optional<std::string> checkKeys(TextView keys);

// "<source>: key string "<keys>" not typed: <reason>", the keys shortened and made printable.
std::string rejectedKeysLine(std::string_view source, TextView keys, std::string_view reason);

} // namespace ride
