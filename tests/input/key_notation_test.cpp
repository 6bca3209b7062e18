// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/key_notation.h"
#include "input/recording_keystrokes.h"

#include <gtest/gtest.h>

#include <ostream>

namespace ride {

void PrintTo(const KeyAction& a, std::ostream* os)
{
    if (a.kind == KeyAction::Kind::Char) {
        *os << "char U+" << std::hex << static_cast<unsigned>(a.ch) << std::dec;
    } else {
        *os << "{" << keyName(a.key) << "}";
    }
    *os << (a.mods.shift ? " +shift" : "") << (a.mods.control ? " +ctrl" : "") << (a.mods.alt ? " +alt" : "");
}

namespace {

constexpr Modifiers S{.shift = true};
constexpr Modifiers C{.control = true};
constexpr Modifiers A{.alt = true};
constexpr Modifiers SC{.shift = true, .control = true};

KeyAction ch(char32_t c, Modifiers m = {})
{
    return KeyAction::character(c, m);
}
KeyAction key(NamedKey k, Modifiers m = {})
{
    return KeyAction::named(k, m);
}
std::vector<KeyAction> times(int n, KeyAction a)
{
    return std::vector<KeyAction>(std::size_t(n), a);
}

struct GoodCase {
    const char16_t* keys;
    std::vector<KeyAction> expected;
};

struct BadCase {
    const char16_t* keys;
    KeyFault fault;
    std::size_t position;
};

// A case is named by its key string.
template <class Case>
    requires std::is_same_v<Case, GoodCase> || std::is_same_v<Case, BadCase>
void PrintTo(const Case& c, std::ostream* os)
{
    *os << '"' << toUtf8(c.keys) << '"';
}

class ParsesTo : public testing::TestWithParam<GoodCase> {};

TEST_P(ParsesTo, ActionsInOrder)
{
    const KeyParseResult result = parseKeys(GetParam().keys);
    ASSERT_TRUE(result.ok()) << result.error->message;
    EXPECT_EQ(result.actions, GetParam().expected);
    EXPECT_EQ(checkKeys(GetParam().keys), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Notation, ParsesTo,
    testing::Values(
        GoodCase{u"", {}}, GoodCase{u"abC1 ", {ch('a'), ch('b'), ch('C'), ch('1'), ch(' ')}},
        GoodCase{u"中文", {ch(U'中'), ch(U'文')}}, GoodCase{u"x😀", {ch('x'), ch(U'\U0001F600')}},
        GoodCase{u"[x]", {ch('['), ch('x'), ch(']')}},
        // modifiers apply to the next key only, and combine
        GoodCase{u"+ab", {ch('a', S), ch('b')}}, GoodCase{u"^+a%b", {ch('a', SC), ch('b', A)}},
        GoodCase{u"%{F4}^~", {key(NamedKey::F4, A), key(NamedKey::Enter, C)}},
        // groups carry their modifiers to every key inside, nested groups add theirs
        GoodCase{u"+(ec)d", {ch('e', S), ch('c', S), ch('d')}},
        GoodCase{u"^(a+b)c", {ch('a', C), ch('b', SC), ch('c')}},
        GoodCase{u"+(a^(b)c)", {ch('a', S), ch('b', SC), ch('c', S)}}, GoodCase{u"(ab)", {ch('a'), ch('b')}},
        GoodCase{u"~", {key(NamedKey::Enter)}},
        GoodCase{u"{enter}{Left}{pgDn}{bs}{BKSP}{Del}",
                 {key(NamedKey::Enter), key(NamedKey::Left), key(NamedKey::PageDown), key(NamedKey::Backspace),
                  key(NamedKey::Backspace), key(NamedKey::Delete)}},
        GoodCase{u"{ADD}{subtract}{MULTIPLY}{DIVIDE}{F16}{BREAK}{PRTSC}",
                 {key(NamedKey::KeypadAdd), key(NamedKey::KeypadSubtract), key(NamedKey::KeypadMultiply),
                  key(NamedKey::KeypadDivide), key(NamedKey::F16), key(NamedKey::Break), key(NamedKey::PrintScreen)}},
        // repeat counts
        GoodCase{u"{LEFT 3}", times(3, key(NamedKey::Left))}, GoodCase{u"{a 5}", times(5, ch('a'))},
        GoodCase{u"{中 2}", times(2, ch(U'中'))}, GoodCase{u"{LEFT 0}x", {ch('x')}}, GoodCase{u"+{LEFT 0}x", {ch('x')}},
        GoodCase{u"+{TAB 2}", times(2, key(NamedKey::Tab, S))},
        // characters that otherwise mean something
        GoodCase{u"{+}{^}{%}{~}{(}{)}{{}{}}{[}{]}",
                 {ch('+'), ch('^'), ch('%'), ch('~'), ch('('), ch(')'), ch('{'), ch('}'), ch('['), ch(']')}},
        GoodCase{u"{}}a{}}", {ch('}'), ch('a'), ch('}')}}, GoodCase{u"{} 2}", times(2, ch('}'))},
        GoodCase{u"+{{}", {ch('{', S)}}));

TEST(KeyNotation, RepeatCountUpToTheLimit)
{
    EXPECT_EQ(parseKeys(u"{LEFT 1000}").actions.size(), 1000u);
    EXPECT_EQ(parseKeys(u"{x 0007}").actions, times(7, ch('x')));
}

class Rejects : public testing::TestWithParam<BadCase> {};

TEST_P(Rejects, NamesFaultAndPosition)
{
    const KeyParseResult result = parseKeys(GetParam().keys);
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(result.actions.empty());
    EXPECT_EQ(result.error->fault, GetParam().fault) << result.error->message;
    EXPECT_EQ(result.error->position, GetParam().position) << result.error->message;
    EXPECT_TRUE(result.error->message.ends_with(" at " + std::to_string(GetParam().position))) << result.error->message;
    EXPECT_EQ(checkKeys(GetParam().keys), result.error->message);
}

INSTANTIATE_TEST_SUITE_P(
    Notation, Rejects,
    testing::Values(
        BadCase{u"{LEFT", KeyFault::UnclosedBrace, 1}, BadCase{u"ab{", KeyFault::UnclosedBrace, 3},
        BadCase{u"ab{LEFT{RIGHT}", KeyFault::UnclosedBrace, 3}, BadCase{u"x(ab", KeyFault::UnclosedGroup, 2},
        BadCase{u"((a)", KeyFault::UnclosedGroup, 1}, BadCase{u"ab)", KeyFault::UnmatchedParenthesis, 3},
        BadCase{u"(a))", KeyFault::UnmatchedParenthesis, 4}, BadCase{u"x{FOO}", KeyFault::UnknownKeyName, 2},
        BadCase{u"{F17}", KeyFault::UnknownKeyName, 1}, BadCase{u"{LEFT3}", KeyFault::UnknownKeyName, 1},
        BadCase{u"{LEFT 1001}", KeyFault::RepeatCountTooLarge, 7},
        BadCase{u"{a 99999999999999999999999}", KeyFault::RepeatCountTooLarge, 4},
        BadCase{u"{LEFT x}", KeyFault::BadRepeatCount, 7}, BadCase{u"{LEFT -1}", KeyFault::BadRepeatCount, 7},
        BadCase{u"{LEFT }", KeyFault::BadRepeatCount, 7}, BadCase{u"{LEFT 3 }", KeyFault::BadRepeatCount, 7},
        BadCase{u"a}", KeyFault::BareClosingBrace, 2}, BadCase{u"{}", KeyFault::EmptyBraces, 1},
        BadCase{u"a{}b", KeyFault::EmptyBraces, 2}, BadCase{u"a+", KeyFault::DanglingModifier, 2},
        BadCase{u"^+", KeyFault::DanglingModifier, 1}, BadCase{u"(a%)", KeyFault::DanglingModifier, 3},
        BadCase{u"+()", KeyFault::EmptyGroup, 2}, BadCase{u"a\tb", KeyFault::ControlCharacter, 2},
        BadCase{u"{\n 2}", KeyFault::ControlCharacter, 2}));

TEST(KeyNotation, MessagesReadAsEnglish)
{
    EXPECT_EQ(checkKeys(u"{LEFT"), "unclosed brace at 1");
    EXPECT_EQ(checkKeys(u"ab{Foo 2}"), "unknown key name \"Foo\" at 3");
    EXPECT_EQ(checkKeys(u"{LEFT 1001}"), "repeat count 1001 above the limit of 1000 at 7");
    EXPECT_EQ(checkKeys(u"a%"), "modifier '%' with nothing after it at 2");
    EXPECT_EQ(checkKeys(u"}"), "'}' outside braces at 1");
}

TEST(KeyNotation, HostileInputIsRefusedNotTyped)
{
    const Text lone{u'a', char16_t(0xD800), u'b'};
    EXPECT_EQ(parseKeys(lone).error->fault, KeyFault::BrokenSurrogate);

    const Text binary = fromUtf8(std::string("\xff\xfe\x00\x01zz", 6));
    EXPECT_FALSE(parseKeys(binary).ok());

    // Far more presses than a target could take: refused as a whole.
    EXPECT_EQ(parseKeys(Text(1'000'000, u'a')).error->fault, KeyFault::TooManyKeys);
    Text manyRepeats;
    for (int i = 0; i < 11; ++i) {
        manyRepeats += u"{a 1000}";
    }
    EXPECT_EQ(parseKeys(manyRepeats).error->fault, KeyFault::TooManyKeys);

    // A long string of keys that type nothing is fine and ends quickly.
    Text nothing;
    for (int i = 0; i < 100'000; ++i) {
        nothing += u"{LEFT 0}";
    }
    const KeyParseResult result = parseKeys(nothing);
    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(result.actions.empty());

    EXPECT_EQ(parseKeys(Text(200'000, u'(')).error->fault, KeyFault::UnclosedGroup);
}

TEST(RejectedKeysLine, QuotesTheStringPrintably)
{
    EXPECT_EQ(rejectedKeysLine("TXTKEY(6)", u"{LEFT", "unclosed brace at 1"),
              "TXTKEY(6): key string \"{LEFT\" not typed: unclosed brace at 1");
    EXPECT_EQ(rejectedKeysLine("B", u"中\t\"x", "r"), "B: key string \"中\\x09\\\"x\" not typed: r");
    const std::string line = rejectedKeysLine("B", Text(5000, u'a'), "r");
    EXPECT_LT(line.size(), 200u);
    EXPECT_NE(line.find("aaa...\" not typed"), std::string::npos) << line;
}

TEST(RecordingKeystrokes, RecordsTheActionsItWasGivenAndRefusesOnlyWhenTold)
{
    RecordingKeystrokes keys;
    const std::vector<KeyAction> first{ch('a', S), key(NamedKey::Enter)};
    EXPECT_TRUE(keys.send(first).typed());
    EXPECT_TRUE(keys.send({}).typed());
    keys.refuseWith("no X display");
    EXPECT_EQ(keys.send({ch('b')}).failure, "no X display");
    keys.refuseWith(std::nullopt);
    EXPECT_TRUE(keys.send({ch('c')}).typed());

    ASSERT_EQ(keys.calls().size(), 4u);
    EXPECT_EQ(keys.calls()[0], first);
    EXPECT_TRUE(keys.calls()[1].empty());
    EXPECT_EQ(keys.calls()[2], (std::vector{ch('b')})) << "a refused send is recorded too";
    EXPECT_EQ(keys.calls()[3], (std::vector{ch('c')}));

    keys.clear();
    EXPECT_TRUE(keys.calls().empty());
}

} // namespace
} // namespace ride
