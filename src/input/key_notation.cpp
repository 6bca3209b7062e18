// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/key_notation.h"

#include <cstdio>

namespace ride {
namespace {

struct NameEntry {
    std::string_view name;
    NamedKey key;
};

// The first entry for a key is its canonical name.
constexpr NameEntry kNames[] = {
    {"BACKSPACE", NamedKey::Backspace},
    {"BS", NamedKey::Backspace},
    {"BKSP", NamedKey::Backspace},
    {"BREAK", NamedKey::Break},
    {"CAPSLOCK", NamedKey::CapsLock},
    {"DELETE", NamedKey::Delete},
    {"DEL", NamedKey::Delete},
    {"DOWN", NamedKey::Down},
    {"END", NamedKey::End},
    {"ENTER", NamedKey::Enter},
    {"ESC", NamedKey::Escape},
    {"HELP", NamedKey::Help},
    {"HOME", NamedKey::Home},
    {"INSERT", NamedKey::Insert},
    {"INS", NamedKey::Insert},
    {"LEFT", NamedKey::Left},
    {"NUMLOCK", NamedKey::NumLock},
    {"PGDN", NamedKey::PageDown},
    {"PGUP", NamedKey::PageUp},
    {"PRTSC", NamedKey::PrintScreen},
    {"RIGHT", NamedKey::Right},
    {"SCROLLLOCK", NamedKey::ScrollLock},
    {"TAB", NamedKey::Tab},
    {"UP", NamedKey::Up},
    {"F1", NamedKey::F1},
    {"F2", NamedKey::F2},
    {"F3", NamedKey::F3},
    {"F4", NamedKey::F4},
    {"F5", NamedKey::F5},
    {"F6", NamedKey::F6},
    {"F7", NamedKey::F7},
    {"F8", NamedKey::F8},
    {"F9", NamedKey::F9},
    {"F10", NamedKey::F10},
    {"F11", NamedKey::F11},
    {"F12", NamedKey::F12},
    {"F13", NamedKey::F13},
    {"F14", NamedKey::F14},
    {"F15", NamedKey::F15},
    {"F16", NamedKey::F16},
    {"ADD", NamedKey::KeypadAdd},
    {"SUBTRACT", NamedKey::KeypadSubtract},
    {"MULTIPLY", NamedKey::KeypadMultiply},
    {"DIVIDE", NamedKey::KeypadDivide},
};

bool isHighSurrogate(char16_t u)
{
    return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char16_t u)
{
    return u >= 0xDC00 && u <= 0xDFFF;
}
bool isSurrogate(char16_t u)
{
    return u >= 0xD800 && u <= 0xDFFF;
}
bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

struct CodePoint {
    char32_t value = 0;
    std::size_t units = 1;
    bool broken = false; // an unpaired surrogate
};

CodePoint decodeAt(TextView text, std::size_t i)
{
    const char16_t u = text[i];
    if (isHighSurrogate(u) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
        return {0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00), 2, false};
    }
    return {u, 1, isSurrogate(u)};
}

std::optional<NamedKey> lookupName(TextView name)
{
    for (const NameEntry& entry : kNames) {
        if (entry.name.size() != name.size()) {
            continue;
        }
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) {
            char16_t u = name[i];
            if (u >= 'a' && u <= 'z') {
                u = char16_t(u - 'a' + 'A');
            }
            same = u == char16_t(entry.name[i]);
        }
        if (same) {
            return entry.key;
        }
    }
    return std::nullopt;
}

// Keeps a piece of a key string on one readable log line: controls and broken surrogates
// escaped, quotes and backslashes escaped, long pieces cut.
std::string printable(TextView text, std::size_t maxUnits)
{
    Text shown;
    std::size_t i = 0;
    while (i < text.size() && shown.size() < maxUnits) {
        const CodePoint cp = decodeAt(text, i);
        if (cp.broken || isControl(cp.value)) {
            char escaped[12];
            std::snprintf(escaped, sizeof escaped, cp.value < 0x100 ? "\\x%02X" : "\\u%04X",
                          static_cast<unsigned>(cp.value));
            for (const char* p = escaped; *p; ++p) {
                shown += char16_t(*p);
            }
        } else {
            if (cp.value == '"' || cp.value == '\\') {
                shown += u'\\';
            }
            shown.append(text.substr(i, cp.units));
        }
        i += cp.units;
    }
    std::string out = toUtf8(shown);
    if (i < text.size()) {
        out += "...";
    }
    return out;
}

class Parser {
public:
    explicit Parser(TextView keys) : keys_(keys) {}

    KeyParseResult run()
    {
        while (i_ < keys_.size() && !result_.error) {
            step();
        }
        if (!result_.error) {
            if (pendingAt_) {
                danglingModifier();
            } else if (!groups_.empty()) {
                fail(KeyFault::UnclosedGroup, groups_.back().open, "unclosed group");
            }
        }
        if (result_.error) {
            result_.actions.clear();
        }
        return std::move(result_);
    }

private:
    struct Group {
        Modifiers mods;
        std::size_t open;
        bool hasKeys;
    };

    void step()
    {
        const CodePoint cp = decodeAt(keys_, i_);
        if (cp.broken) {
            return fail(KeyFault::BrokenSurrogate, i_, "unpaired UTF-16 surrogate");
        }
        switch (cp.value) {
        case '+': return addModifier({.shift = true});
        case '^': return addModifier({.control = true});
        case '%': return addModifier({.alt = true});
        case '(':
            groups_.push_back({current(), i_, false});
            clearPending();
            ++i_;
            return;
        case ')': return closeGroup();
        case '~':
            if (emit(KeyAction::named(NamedKey::Enter), 1, i_)) {
                ++i_;
            }
            return;
        case '{': return braces();
        case '}': return fail(KeyFault::BareClosingBrace, i_, "'}' outside braces");
        default:
            if (isControl(cp.value)) {
                return controlCharacter(cp.value, i_);
            }
            if (emit(KeyAction::character(cp.value), 1, i_)) {
                i_ += cp.units;
            }
        }
    }

    void addModifier(Modifiers m)
    {
        if (!pendingAt_) {
            pendingAt_ = i_;
            pendingChar_ = char(keys_[i_]);
        }
        pending_ = pending_ | m;
        ++i_;
    }

    void closeGroup()
    {
        if (pendingAt_) {
            return danglingModifier();
        }
        if (groups_.empty()) {
            return fail(KeyFault::UnmatchedParenthesis, i_, "')' without '('");
        }
        if (!groups_.back().hasKeys) {
            return fail(KeyFault::EmptyGroup, groups_.back().open, "empty group");
        }
        groups_.pop_back();
        if (!groups_.empty()) {
            groups_.back().hasKeys = true;
        }
        ++i_;
    }

    // At '{'. "{}}" is the brace character itself and "{} 3}" repeats it, so a '}' right
    // after the opening brace only ends the braces when neither follows.
    void braces()
    {
        const std::size_t open = i_;
        const std::size_t start = open + 1;
        std::size_t close = TextView::npos;
        if (start < keys_.size() && keys_[start] == u'}') {
            if (start + 1 < keys_.size() && keys_[start + 1] == u'}') {
                close = start + 1;
            } else if (start + 1 < keys_.size() && keys_[start + 1] == u' ') {
                close = keys_.find(u'}', start + 2);
            } else {
                return fail(KeyFault::EmptyBraces, open, "empty braces");
            }
        } else {
            close = keys_.find(u'}', start);
        }
        if (close == TextView::npos) {
            return fail(KeyFault::UnclosedBrace, open, "unclosed brace");
        }

        const TextView content = keys_.substr(start, close - start);
        const CodePoint first = decodeAt(content, 0);
        // "{LEFT{RIGHT}" is a missing '}', not a strange key name.
        if (content.find(u'{', first.units) != TextView::npos) {
            return fail(KeyFault::UnclosedBrace, open, "unclosed brace");
        }

        const std::size_t space = content.find(u' ', first.units);
        const TextView name = content.substr(0, space);
        int count = 1;
        if (space != TextView::npos && !repeatCount(content.substr(space + 1), start + space + 1, count)) {
            return;
        }

        KeyAction action;
        if (first.units == name.size()) {
            if (first.broken) {
                return fail(KeyFault::BrokenSurrogate, start, "unpaired UTF-16 surrogate");
            }
            if (isControl(first.value)) {
                return controlCharacter(first.value, start);
            }
            action = KeyAction::character(first.value);
        } else if (const auto key = lookupName(name)) {
            action = KeyAction::named(*key);
        } else {
            return fail(KeyFault::UnknownKeyName, open, "unknown key name \"" + printable(name, 24) + "\"");
        }
        if (emit(action, count, open)) {
            i_ = close + 1;
        }
    }

    bool repeatCount(TextView text, std::size_t at, int& count)
    {
        if (text.empty() || text.find_first_not_of(u"0123456789") != TextView::npos) {
            fail(KeyFault::BadRepeatCount, at, "bad repeat count \"" + printable(text, 24) + "\"");
            return false;
        }
        long value = 0;
        for (char16_t digit : text) {
            value = value * 10 + (digit - u'0');
            if (value > kMaxRepeatCount) {
                fail(KeyFault::RepeatCountTooLarge, at,
                     "repeat count " + printable(text, 24) + " above the limit of " + std::to_string(kMaxRepeatCount));
                return false;
            }
        }
        count = int(value);
        return true;
    }

    bool emit(KeyAction action, int count, std::size_t at)
    {
        if (result_.actions.size() + std::size_t(count) > kMaxKeyPresses) {
            fail(KeyFault::TooManyKeys, at, "more than " + std::to_string(kMaxKeyPresses) + " key presses");
            return false;
        }
        action.mods = current();
        result_.actions.insert(result_.actions.end(), std::size_t(count), action);
        if (!groups_.empty()) {
            groups_.back().hasKeys = true;
        }
        clearPending();
        return true;
    }

    Modifiers current() const { return groups_.empty() ? pending_ : groups_.back().mods | pending_; }

    void clearPending()
    {
        pending_ = {};
        pendingAt_.reset();
    }

    void danglingModifier()
    {
        fail(KeyFault::DanglingModifier, *pendingAt_,
             std::string("modifier '") + pendingChar_ + "' with nothing after it");
    }

    void controlCharacter(char32_t c, std::size_t at)
    {
        char text[40];
        std::snprintf(text, sizeof text, "control character U+%04X", static_cast<unsigned>(c));
        fail(KeyFault::ControlCharacter, at, text);
    }

    void fail(KeyFault fault, std::size_t index, std::string reason)
    {
        const std::size_t position = index + 1;
        result_.error = KeyParseError{fault, position, std::move(reason) + " at " + std::to_string(position)};
    }

    TextView keys_;
    std::size_t i_ = 0;
    std::vector<Group> groups_;
    Modifiers pending_;
    std::optional<std::size_t> pendingAt_;
    char pendingChar_ = '+';
    KeyParseResult result_;
};

} // namespace

std::string_view keyName(NamedKey key)
{
    for (const NameEntry& entry : kNames) {
        if (entry.key == key) {
            return entry.name;
        }
    }
    return "?";
}

KeyParseResult parseKeys(TextView keys)
{
    return Parser(keys).run();
}

std::optional<std::string> checkKeys(TextView keys)
{
    KeyParseResult result = parseKeys(keys);
    if (result.error) {
        return std::move(result.error->message);
    }
    return std::nullopt;
}

std::string rejectedKeysLine(std::string_view source, TextView keys, std::string_view reason)
{
    std::string line(source);
    line += ": key string \"";
    line += printable(keys, 80);
    line += "\" not typed: ";
    line += reason;
    return line;
}

} // namespace ride
