// SPDX-License-Identifier: GPL-3.0-or-later
// The keystroke notation of the key string boxes, fed any text a box can hold. A string that
// parses stays within the press limit, types no control character or broken surrogate, and means
// the same when written back in the notation and parsed again; a string that does not parse
// yields no keys and an error whose position lies inside the string, and its log line stays one
// printable line.
#include "fuzz_check.h"
#include "input/key_notation.h"

#include <cstdint>
#include <string>

namespace ride::fuzz {
namespace {

bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

void appendCodePoint(Text& out, char32_t c)
{
    if (c >= 0x10000) {
        out.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
        out.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
        out.push_back(char16_t(c));
    }
}

// Every action written on its own, with its modifiers and in braces, so that no character of the
// notation can be misread: "{}}" is the closing brace itself.
Text writeBack(const std::vector<KeyAction>& actions)
{
    Text out;
    for (const KeyAction& action : actions) {
        if (action.mods.shift) {
            out += u'+';
        }
        if (action.mods.control) {
            out += u'^';
        }
        if (action.mods.alt) {
            out += u'%';
        }
        out += u'{';
        if (action.kind == KeyAction::Kind::Named) {
            for (char c : keyName(action.key)) {
                out += char16_t(c);
            }
        } else {
            appendCodePoint(out, action.ch);
        }
        out += u'}';
    }
    return out;
}

std::string describe(const KeyParseResult& result)
{
    return result.error ? result.error->message : std::to_string(result.actions.size()) + " presses";
}

} // namespace
} // namespace ride::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace ride;
    using namespace ride::fuzz;
    const Text keys = textInput(std::string_view(reinterpret_cast<const char*>(data), size));

    const KeyParseResult result = parseKeys(keys);
    FUZZ_CHECK(checkKeys(keys).has_value() == !result.ok(), shown(keys));
    if (!result.ok()) {
        FUZZ_CHECK(result.actions.empty(), shown(keys));
        const std::size_t position = result.error->position;
        FUZZ_CHECK(position >= 1 && position <= keys.size(), shown(keys) + ": " + result.error->message);
        const std::string suffix = " at " + std::to_string(position);
        const std::string& message = result.error->message;
        FUZZ_CHECK(message.size() >= suffix.size() &&
                       message.compare(message.size() - suffix.size(), suffix.size(), suffix) == 0,
                   message);
        const std::string line = rejectedKeysLine("TXTKEY(6)", keys, message);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos, line);
        FUZZ_CHECK(toUtf8(fromUtf8(line)) == line, "log line is not valid UTF-8");
        return 0;
    }

    FUZZ_CHECK(result.actions.size() <= kMaxKeyPresses, std::to_string(result.actions.size()));
    for (const KeyAction& action : result.actions) {
        if (action.kind == KeyAction::Kind::Char) {
            FUZZ_CHECK(!isControl(action.ch), shown(keys));
            FUZZ_CHECK(action.ch <= 0x10FFFF && !(action.ch >= 0xD800 && action.ch <= 0xDFFF), shown(keys));
        }
    }
    const Text again = writeBack(result.actions);
    const KeyParseResult reparsed = parseKeys(again);
    FUZZ_CHECK(reparsed.ok(), shown(keys) + " written back as " + shown(again) + ": " + describe(reparsed));
    FUZZ_CHECK(reparsed.actions == result.actions, shown(keys) + " written back as " + shown(again));
    return 0;
}
