// SPDX-License-Identifier: GPL-3.0-or-later
// The pointer arithmetic, the activity count, and forwarding a key once per press.
#include "support/site_test.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace ride {
namespace {

TEST(PointerTarget, WorkedValues)
{
    const MotionSettings defaults;
    struct Case {
        MotionSettings settings;
        int speed;
        int direction;
        CursorPoint expect;
    };
    const Case cases[] =
        {
            {defaults, 10, 90, {512, 312}},         {defaults, 0, 0, {1024, 384}},
            {defaults, 60, 0, {1024, 0}},           {defaults, 0, 45, {768, 384}},
            {defaults, 0, 1, {1018, 384}},         // 1024 - 5.69
            {{7.2, 7, 768}, 0, 90, {4, 384}},      // 3.5 rounds to 4
            {{7.2, 9, 768}, 0, 90, {4, 384}},      // 4.5 rounds to 4
            {defaults, 53, 0, {1024, 2}},          // 384 - 381.6
            {defaults, 54, 0, {1024, 0}},          // negative Y becomes 0
            {{7.2, 1024, 769}, 0, 0, {1024, 384}}, // 384.5 rounds to 384
            {{7.2, 1024, 771}, 0, 0, {1024, 386}}, // 385.5 rounds to 386
            {defaults, -10, 0, {1024, 456}},        {defaults, 0, 270, {-512, 384}},
            {defaults, 0, -90, {1536, 384}},        {defaults, 0, 999, {-4659, 384}},
            {{0.5, 1024, 768}, 99, 0, {1024, 334}}, // 384 - 49.5 = 334.5 rounds to 334
        };
    for (const Case& c : cases) {
        const auto target = pointerTarget(c.settings, c.speed, c.direction);
        ASSERT_TRUE(target);
        EXPECT_EQ(*target, c.expect) << "speed " << c.speed << " direction " << c.direction;
    }
}

TEST(PointerTarget, ProductBeyond32BitsHasNoTarget)
{
    EXPECT_FALSE(pointerTarget({}, 0, 2'097'152)); // 1024 * 2^21 = 2^31
    EXPECT_TRUE(pointerTarget({}, 0, 2'097'151));
    EXPECT_FALSE(pointerTarget({}, 400'000'000, 0)); // Y beyond 32 bits
}

using Motion = testing::SiteTest;

TEST_F(Motion, LabelsShowSpeedAndComputedX)
{
    site.arrive(u":::S=010xxx270xxxxxx,DIBBBBBB.");
    EXPECT_EQ(console.Label3.caption(), u"速度:10");
    EXPECT_EQ(console.Label6.caption(), u"方向:-512");
}

TEST_F(Motion, ActivityCountRestartsWhenTheCursorMustMoveSideways)
{
    console.lbl联动计时.setCaption(u"7");
    cursor.at = {1024, 0};
    site.arrive(u":::S=000xxx000xxxxxx,DIBBBBBB."); // X 1024: already there
    EXPECT_EQ(console.lbl联动计时.caption(), u"7");

    site.arrive(u":::S=000xxx090xxxxxx,DIBBBBBB."); // steering changed: cursor at 1024, remembered 0
    EXPECT_EQ(console.lbl联动计时.caption(), u"0");
    EXPECT_EQ(console.motion().rememberedX(), 1024);

    console.lbl联动计时.setCaption(u"7");
    site.arrive(u":::S=000xxx000xxxxxx,DIBBBBBB."); // back to 1024: cursor at 512, remembered 1024
    EXPECT_EQ(console.lbl联动计时.caption(), u"0");

    console.lbl联动计时.setCaption(u"7");
    cursor.at = {512, 0}; // the operator puts the mouse back where it stood last time
    site.arrive(u":::S=000xxx000xxxxxx,DIBBBBBB.");
    EXPECT_EQ(console.lbl联动计时.caption(), u"7") << "the cursor stands where it stood last time";
}

TEST_F(Motion, SteadyDirectionWithUntouchedMouseNeverRestartsTheCount)
{
    site.arrive(u":::S=000xxx090xxxxxx,DIBBBBBB.");
    console.lbl联动计时.setCaption(u"10");
    for (int i = 0; i < 5; ++i) {
        site.arrive(u":::S=020xxx090xxxxxx,DIBBBBBB.");
    }
    EXPECT_EQ(console.lbl联动计时.caption(), u"10");
    EXPECT_EQ(cursor.moves.size(), 6u) << "every record moves the cursor all the same";
}

// A display server answers where the pointer stood only after the record has moved it on; the
// state display's timer collects the answers before it counts. The operator sees the same states
// as with a pointer that answers at once.
TEST(MotionAnsweredLate, StateDisplayFollowsTheSameRideAsWithAnswersAtOnce)
{
    struct Step {
        std::optional<CursorPoint> hand; // the operator moves the mouse first
        const char16_t* direction;       // then a record at speed 0 comes
        int ticks;                       // then the state timer ticks
        const char16_t* count;
        const char16_t* state;
    };
    const Step ride[] = {
        {{}, u"090", 10, u"10", u"联动状态"},                // from (0,0), where the remembered X says it stood
        {{}, u"090", 3, u"10", u"联动状态"},                 // steady and untouched: never restarted
        {CursorPoint{100, 5}, u"090", 1, u"1", u"手动调试"}, // the mouse moved aside
        {{}, u"090", 9, u"10", u"手动调试"},
        {CursorPoint{100, 5}, u"090", 10, u"10", u"联动状态"}, // where it stood last time
        {{}, u"045", 2, u"2", u"手动调试"},                    // the steering changed
        {{}, u"090", 1, u"1", u"手动调试"},
        {{}, u"090", 10, u"10", u"联动状态"},
    };
    for (const bool late : {false, true}) {
        testing::TestSite site;
        Form1& console = site.console();
        site.cursor().answersLate = late;
        console.lbl联动计时.setCaption(u"10");
        int step = 0;
        for (const Step& s : ride) {
            if (s.hand) {
                site.cursor().at = *s.hand;
            }
            site.arrive(u":::S=000xxx" + Text(s.direction) + u"xxxxxx,DIBBBBBB.");
            for (int i = 0; i < s.ticks; ++i) {
                console.TMR判断是否是人操作的.tick();
            }
            EXPECT_EQ(console.lbl联动计时.caption(), s.count) << "step " << step << (late ? ", answered late" : "");
            EXPECT_EQ(console.lbl联动状态手动状态.caption(), s.state) << "step " << step;
            EXPECT_TRUE(site.cursor().due.empty()) << "step " << step << ": the timer left answers uncollected";
            ++step;
        }
    }
}

using KeyForwardingTest = testing::SiteTest;

TEST_F(KeyForwardingTest, OncePerChangeToA)
{
    for (const char16_t* flag : {u"B", u"A", u"A"}) {
        site.arrive(u":::S=000xxx000xxxxxx,DI" + Text(flag) + u"BBBBB.");
    }
    EXPECT_EQ(keys.calls().size(), 1u);
    keys.clear();
    for (const char16_t* flag : {u"B", u"A", u"B", u"A"}) {
        site.arrive(u":::S=000xxx000xxxxxx,DI" + Text(flag) + u"BBBBB.");
    }
    EXPECT_EQ(keys.calls().size(), 2u);
}

TEST_F(KeyForwardingTest, EachFlagSendsItsPairedKeyStringInOrder)
{
    console.txtKey(9).setText(u"{LEFT 2}");
    site.arrive(u":::S=000xxx000xxxxxx,DIBBBABA.");
    ASSERT_EQ(keys.calls().size(), 2u);
    const KeyAction left = KeyAction::named(NamedKey::Left);
    EXPECT_EQ(keys.calls()[0], (std::vector{left, left})) << "TXTKEY(9), parsed";
    EXPECT_EQ(keys.calls()[1], (std::vector{KeyAction::character(U'F')})) << "TXTKEY(11)";
}

TEST_F(KeyForwardingTest, OnlyExactlyCapitalAForwards)
{
    console.txtKey(2).setText(u"a");
    console.txtKey(2).setText(u"AA");
    console.txtKey(2).setText(u" A");
    EXPECT_TRUE(keys.calls().empty());
    console.txtKey(2).setText(u"A"); // the operator typing A forwards too
    EXPECT_EQ(site.sentCharacters(), (std::vector<std::u32string>{U"C"}));
}

TEST_F(KeyForwardingTest, KeyStringBoxesAndEmptyStringsSendNothing)
{
    console.txtKey(6).setText(u"A"); // a key string box holding "A" is no flag
    console.txtKey(7).setText(u"");
    console.txtKey(1).setText(u"A");
    EXPECT_TRUE(keys.calls().empty());
}

TEST_F(KeyForwardingTest, BadKeyStringIsNotTypedAndDecodingGoesOn)
{
    console.txtKey(6).setText(u"{LEFT");
    ::testing::internal::CaptureStderr();
    site.arrive(u":::S=010xxx090xxxxxx,DIABBBBB.");
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(keys.calls().empty()) << "the backend never sees it";
    EXPECT_TRUE(log.ends_with(" warning keys: TXTKEY(6): key string \"{LEFT\" not typed: unclosed brace at 1\n"))
        << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_EQ(cursor.moves.size(), 1u);
    EXPECT_EQ(console.Text1.text(), u"");
}

TEST_F(KeyForwardingTest, BackendRefusalIsLoggedWithTheBoxAndItsString)
{
    console.txtKey(7).setText(u"中{F5}");
    keys.refuseWith("the keymap has no free key for U+4E2D");
    ::testing::internal::CaptureStderr();
    console.txtKey(1).setText(u"A");
    const std::string log = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(keys.calls().size(), 1u);
    EXPECT_EQ(keys.calls()[0], (std::vector{KeyAction::character(U'中'), KeyAction::named(NamedKey::F5)}));
    EXPECT_TRUE(log.ends_with(
        " warning keys: TXTKEY(7): key string \"中{F5}\" not typed: the keymap has no free key for U+4E2D\n"))
        << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
}

TEST_F(KeyForwardingTest, StringThatParsesToNoKeysStillReachesTheBackend)
{
    // "{F5 0}" is a valid string of no keys; a backend without a display still says so.
    console.txtKey(8).setText(u"{F5 0}");
    console.txtKey(2).setText(u"A");
    ASSERT_EQ(keys.calls().size(), 1u);
    EXPECT_TRUE(keys.calls()[0].empty());
}

} // namespace
} // namespace ride
