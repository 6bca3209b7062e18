// SPDX-License-Identifier: GPL-3.0-or-later
// The keystroke planner against keymaps made up here: which keycodes and modifiers a string
// needs, and how spare keycodes are borrowed and given back. No display.
#include "input/x11/key_plan.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>

#include <X11/X.h>
#include <X11/keysym.h>

namespace ride {

std::ostream& operator<<(std::ostream& os, const KeyBinding& b)
{
    return os << "{code " << int(b.code) << ", sym 0x" << std::hex << b.sym << std::dec << ", used at "
              << std::chrono::duration_cast<std::chrono::milliseconds>(b.lastUsed.time_since_epoch()).count() << " ms}";
}

std::ostream& operator<<(std::ostream& os, const PlannedStroke& s)
{
    return os << "{code " << int(s.code) << (s.shift ? " shift" : "") << (s.control ? " control" : "")
              << (s.alt ? " alt" : "") << (s.capsLock ? " capslock" : "") << "}";
}

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr KeysymNumber kUnicode = 0x01000000;
constexpr KeysymNumber kZhong = kUnicode + 0x4E2D; // 中
constexpr KeysymNumber kWen = kUnicode + 0x6587;   // 文
constexpr KeysymNumber kZi = kUnicode + 0x5B57;    // 字
constexpr KeysymNumber kYu = kUnicode + 0x8A9E;    // 語

const Clock::time_point kNow{seconds(1000)};
const BindingClock kClock{kNow, seconds(2)};

constexpr Modifiers kShift{true, false, false};
constexpr Modifiers kControl{false, true, false};
constexpr Modifiers kAlt{false, false, true};

KeyAction ch(char32_t c, Modifiers m = {})
{
    return KeyAction::character(c, m);
}
KeyAction key(NamedKey k, Modifiers m = {})
{
    return KeyAction::named(k, m);
}

void put(KeyboardMap& map, int code, std::initializer_list<KeysymNumber> syms)
{
    int column = 0;
    for (const KeysymNumber sym : syms) {
        map.syms[static_cast<std::size_t>((code - map.minCode) * map.perCode + column++)] = sym;
    }
}

// Keycodes 8..255, four keysyms each, laid out like a small US keyboard. Up to 92 every keycode
// carries something, as on a PC keyboard; above, only a few do, so the lowest empty one is 93.
KeyboardMap usKeyboard()
{
    KeyboardMap map{8, 4, std::vector<KeysymNumber>(248 * 4, NoSymbol)};
    for (int code = 9; code <= 92; ++code) {
        put(map, code, {kUnicode + 0x3000 + KeysymNumber(code)});
    }
    put(map, 10, {XK_1, XK_exclam});
    put(map, 24, {XK_q, XK_Q, XK_at}); // '@' only on a third level
    put(map, 36, {XK_Return});
    put(map, 37, {XK_Control_L});
    put(map, 38, {XK_a, XK_A});
    put(map, 50, {XK_Shift_L});
    put(map, 54, {XK_c, XK_C});
    put(map, 62, {XK_Shift_R});
    put(map, 64, {XK_Alt_L, XK_Meta_L});
    put(map, 65, {XK_space});
    put(map, 66, {XK_Caps_Lock});
    put(map, 71, {XK_F5});
    put(map, 86, {XK_KP_Add});
    put(map, 113, {XK_Left});
    put(map, 255, {XK_Hyper_L});
    return map;
}

// The same keyboard with no empty keycode left above 8.
KeyboardMap fullKeyboard()
{
    KeyboardMap map = usKeyboard();
    for (int code = 9; code <= 255; ++code) {
        if (map.at(code, 0) == NoSymbol && map.at(code, 1) == NoSymbol) {
            put(map, code, {kUnicode + 0x2000 + KeysymNumber(code)});
        }
    }
    return map;
}

KeyPlan planOrFail(const KeyboardMap& map, const std::vector<KeyBinding>& bindings,
                   const std::vector<KeyAction>& actions, BindingClock clock = kClock)
{
    KeyPlanResult result = planKeystrokes(map, bindings, actions, clock);
    EXPECT_TRUE(result.plan.has_value()) << result.problem;
    EXPECT_TRUE(result.problem.empty()) << result.problem;
    return result.plan.value_or(KeyPlan{});
}

std::string problemOf(const KeyboardMap& map, const std::vector<KeyBinding>& bindings,
                      const std::vector<KeyAction>& actions)
{
    const KeyPlanResult result = planKeystrokes(map, bindings, actions, kClock);
    EXPECT_FALSE(result.plan.has_value());
    return result.problem;
}

TEST(KeyPlan, AsciiTakesShiftWhereTheKeymapPutsItAndModifiersFromTheString)
{
    const KeyPlan plan = planOrFail(
        usKeyboard(), {}, {ch('a'), ch('C'), ch('!'), ch(' '), ch('a', kShift), ch('c', kControl), ch('1', kAlt)});
    EXPECT_EQ(plan.strokes,
              (std::vector<PlannedStroke>{
                  {38}, {54, true}, {10, true}, {65}, {38, true}, {54, false, true}, {10, false, false, true}}));
    EXPECT_EQ(plan.shiftKey, KeycodeNumber(50));
    EXPECT_EQ(plan.controlKey, KeycodeNumber(37));
    EXPECT_EQ(plan.altKey, KeycodeNumber(64));
    EXPECT_TRUE(plan.borrow.empty());
    EXPECT_TRUE(plan.giveBack.empty());
    EXPECT_TRUE(plan.bindings.empty());

    const KeyPlan plain = planOrFail(usKeyboard(), {}, {ch('a'), ch('1')});
    EXPECT_EQ(plain.strokes, (std::vector<PlannedStroke>{{38}, {10}}));
    EXPECT_FALSE(plain.shiftKey || plain.controlKey || plain.altKey) << "no modifier asked for, none planned";
}

TEST(KeyPlan, NamedKeysAndCapsLock)
{
    const KeyPlan plan = planOrFail(usKeyboard(), {},
                                    {key(NamedKey::Left), key(NamedKey::Enter, kControl), key(NamedKey::F5),
                                     key(NamedKey::KeypadAdd), key(NamedKey::CapsLock)});
    EXPECT_EQ(plan.strokes,
              (std::vector<PlannedStroke>{{113}, {36, false, true}, {71}, {86}, {66, false, false, false, true}}));
    EXPECT_TRUE(plan.borrow.empty());
}

TEST(KeyPlan, EmptyListPlansNothing)
{
    const KeyPlan plan = planOrFail(usKeyboard(), {}, {});
    EXPECT_TRUE(plan.strokes.empty());
    EXPECT_TRUE(plan.borrow.empty());
}

TEST(KeyPlan, MissingCharactersBorrowTheLowestEmptyKeycodesOncePerString)
{
    KeyboardMap map = usKeyboard();
    put(map, 94, {XK_Hiragana}); // not empty, so skipped
    const KeyPlan plan = planOrFail(map, {}, {ch(U'中'), ch('a'), ch(U'文'), ch(U'中', kShift)});
    EXPECT_EQ(plan.borrow, (std::vector<KeyBinding>{{93, kZhong, kNow}, {95, kWen, kNow}}));
    EXPECT_EQ(plan.bindings, plan.borrow);
    EXPECT_TRUE(plan.giveBack.empty());
    EXPECT_EQ(plan.strokes, (std::vector<PlannedStroke>{{93}, {38}, {95}, {93, true}}));
}

TEST(KeyPlan, CharacterOnlyOnAThirdLevelIsBorrowedToo)
{
    const KeyPlan plan = planOrFail(usKeyboard(), {}, {ch('@')});
    EXPECT_EQ(plan.borrow, (std::vector<KeyBinding>{{93, XK_at, kNow}}));
    EXPECT_EQ(plan.strokes, (std::vector<PlannedStroke>{{93}}));
}

TEST(KeyPlan, Latin1CharacterIsFoundUnderItsUnicodeKeysymOrBorrowedUnderItsOwn)
{
    KeyboardMap map = usKeyboard();
    put(map, 200, {kUnicode + 0xE9});
    const KeyPlan found = planOrFail(map, {}, {ch(U'é')});
    EXPECT_EQ(found.strokes, (std::vector<PlannedStroke>{{200}}));
    EXPECT_TRUE(found.borrow.empty());

    const KeyPlan borrowed = planOrFail(usKeyboard(), {}, {ch(U'é')});
    EXPECT_EQ(borrowed.borrow, (std::vector<KeyBinding>{{93, XK_eacute, kNow}}));
}

TEST(KeyPlan, ExistingBindingIsReusedAndStampedWithThisSend)
{
    KeyboardMap map = usKeyboard();
    put(map, 254, {kZhong, kZhong});
    const std::vector<KeyBinding> lent{{254, kZhong, kNow - milliseconds(500)}};
    const KeyPlan plan = planOrFail(map, lent, {ch(U'中')});
    EXPECT_EQ(plan.strokes, (std::vector<PlannedStroke>{{254}}));
    EXPECT_TRUE(plan.borrow.empty());
    EXPECT_TRUE(plan.giveBack.empty());
    EXPECT_EQ(plan.bindings, (std::vector<KeyBinding>{{254, kZhong, kNow}}));
}

TEST(KeyPlan, ExpiredBindingsAreGivenBackUnlessThisStringNeedsThem)
{
    KeyboardMap map = usKeyboard();
    put(map, 254, {kZhong, kZhong});
    put(map, 253, {kWen, kWen});
    put(map, 252, {kZi, kZi});
    const std::vector<KeyBinding> lent{
        {254, kZhong, kNow - seconds(5)}, {253, kWen, kNow - seconds(5)}, {252, kZi, kNow - milliseconds(1999)}};
    const KeyPlan plan = planOrFail(map, lent, {ch(U'中')});
    EXPECT_EQ(plan.giveBack, (std::vector<KeyBinding>{lent[1]}));
    EXPECT_EQ(plan.bindings, (std::vector<KeyBinding>{{254, kZhong, kNow}, lent[2]}));
    EXPECT_EQ(plan.strokes, (std::vector<PlannedStroke>{{254}}));

    const KeyPlan atOnce = planOrFail(map, lent, {ch('a')}, {kNow, milliseconds(0)});
    EXPECT_EQ(atOnce.giveBack, lent) << "a lifetime of 0 gives every unneeded binding back";
    EXPECT_TRUE(atOnce.bindings.empty());
}

TEST(KeyPlan, BindingRemappedBySomeoneElseIsForgottenNotCleared)
{
    // Keycode 93 was ours for 中; another client has put its own key there since.
    KeyboardMap map = usKeyboard();
    put(map, 93, {XK_Super_L});
    const KeyPlan plan = planOrFail(map, {{93, kZhong, kNow - seconds(5)}}, {ch(U'文')});
    EXPECT_TRUE(plan.giveBack.empty());
    EXPECT_EQ(plan.borrow, (std::vector<KeyBinding>{{94, kWen, kNow}}));
    EXPECT_EQ(plan.bindings, plan.borrow);
}

TEST(KeyPlan, FullKeymapEvictsTheLeastRecentlyUsedBindingThisStringDoesNotNeed)
{
    KeyboardMap map = fullKeyboard();
    put(map, 253, {kWen, kWen});
    put(map, 254, {kZi, kZi});
    put(map, 252, {kZhong, kZhong});
    // Not expired, but something has to go: 中 is the oldest yet needed here, so 字 goes.
    const std::vector<KeyBinding> lent{{253, kWen, kNow - milliseconds(100)},
                                       {254, kZi, kNow - milliseconds(300)},
                                       {252, kZhong, kNow - milliseconds(500)}};
    const KeyPlan plan = planOrFail(map, lent, {ch(U'語'), ch(U'中')});
    EXPECT_EQ(plan.giveBack, (std::vector<KeyBinding>{lent[1]}));
    EXPECT_EQ(plan.borrow, (std::vector<KeyBinding>{{254, kYu, kNow}}));
    EXPECT_EQ(plan.bindings, (std::vector<KeyBinding>{lent[0], {252, kZhong, kNow}, {254, kYu, kNow}}));
    EXPECT_EQ(plan.strokes, (std::vector<PlannedStroke>{{254}, {252}}));
}

TEST(KeyPlan, KeyWithoutAFreeKeycodeIsLeftOutOnceAndTheRestPlanned)
{
    const KeyPlan plan =
        planOrFail(fullKeyboard(), {}, {ch('a'), ch(U'中', kShift), key(NamedKey::F16), ch('c'), ch(U'中'), ch(U'é')});
    EXPECT_EQ(plan.strokes, (std::vector<PlannedStroke>{{38}, {54}}));
    EXPECT_EQ(plan.leftOut, (std::vector<KeyAction>{ch(U'中'), key(NamedKey::F16), ch(U'é')}))
        << "each once, without the modifiers asked for";
    EXPECT_FALSE(plan.shiftKey) << "the only stroke with Shift was left out";
    EXPECT_TRUE(plan.borrow.empty());

    // The only binding is needed by the string itself, so there is nothing to evict.
    KeyboardMap map = fullKeyboard();
    put(map, 254, {kZhong, kZhong});
    const KeyPlan own = planOrFail(map, {{254, kZhong, kNow - seconds(9)}}, {ch(U'中'), ch(U'文')});
    EXPECT_EQ(own.strokes, (std::vector<PlannedStroke>{{254}}));
    EXPECT_EQ(own.leftOut, (std::vector<KeyAction>{ch(U'文')}));

    // Keycode 8 is never borrowed, even when it is the only empty one.
    EXPECT_EQ(fullKeyboard().at(8, 0), NoSymbol);

    EXPECT_EQ(keyForLog(ch(U'中')), "\"中\" (U+4E2D)");
    EXPECT_EQ(keyForLog(ch(U'é')), "\"é\" (U+00E9)");
    EXPECT_EQ(keyForLog(ch(U'😀')), "\"😀\" (U+1F600)");
    EXPECT_EQ(keyForLog(key(NamedKey::F16)), "{F16}");
}

TEST(KeyPlan, MissingModifierKeyIsAReasonOnlyWhenAStrokeNeedsIt)
{
    const std::string lacks = "the keymap lacks a Shift, Control or Alt key";
    KeyboardMap noShift = usKeyboard();
    put(noShift, 50, {NoSymbol});
    put(noShift, 62, {NoSymbol});
    EXPECT_EQ(problemOf(noShift, {}, {ch('A')}), lacks);
    EXPECT_EQ(problemOf(noShift, {}, {ch('a', kShift)}), lacks);
    EXPECT_EQ(planOrFail(noShift, {}, {ch('a')}).strokes, (std::vector<PlannedStroke>{{38}}));

    KeyboardMap rightShiftOnly = usKeyboard();
    put(rightShiftOnly, 50, {NoSymbol});
    EXPECT_EQ(planOrFail(rightShiftOnly, {}, {ch('A')}).shiftKey, KeycodeNumber(62));

    KeyboardMap noControl = usKeyboard();
    put(noControl, 37, {NoSymbol});
    EXPECT_EQ(problemOf(noControl, {}, {ch('a', kControl)}), lacks);

    KeyboardMap metaOnly = usKeyboard();
    put(metaOnly, 64, {NoSymbol, NoSymbol});
    put(metaOnly, 205, {XK_Meta_L});
    EXPECT_EQ(planOrFail(metaOnly, {}, {ch('a', kAlt)}).altKey, KeycodeNumber(205));
    put(metaOnly, 205, {NoSymbol});
    EXPECT_EQ(problemOf(metaOnly, {}, {ch('a', kAlt)}), lacks);
}

TEST(KeyPlan, UnreadableKeymapIsAReason)
{
    EXPECT_EQ(problemOf(KeyboardMap{}, {}, {ch('a')}), "cannot read the keymap");
}

TEST(KeyPlan, BorrowedRowFillsThePlainAndShiftColumnsOnly)
{
    EXPECT_EQ(borrowedRow(4, kZhong), (std::vector<KeysymNumber>{kZhong, kZhong, NoSymbol, NoSymbol}));
    EXPECT_EQ(borrowedRow(1, kZhong), (std::vector<KeysymNumber>{kZhong}));
    EXPECT_EQ(borrowedRow(3, NoSymbol), (std::vector<KeysymNumber>(3, NoSymbol)));

    KeyboardMap map = usKeyboard();
    EXPECT_TRUE(stillBound(map, {24, XK_q, kNow}));
    EXPECT_FALSE(stillBound(map, {24, XK_Q, kNow}));
    EXPECT_FALSE(stillBound(map, {7, XK_q, kNow})) << "below the keymap's first keycode";
    map.set(24, kZi);
    EXPECT_EQ(map.at(24, 0), kZi);
    EXPECT_EQ(map.at(24, 1), kZi);
    EXPECT_EQ(map.at(24, 2), NoSymbol);
}

} // namespace
} // namespace ride
