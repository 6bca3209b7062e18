// SPDX-License-Identifier: GPL-3.0-or-later
// Bike records in the receive box: what is decoded, what waits, and what is thrown away.
#include "support/site_test.h"

namespace ride {
namespace {

using Decoding = testing::SiteTest;

TEST_F(Decoding, ThirtyCharacterRecordIsDecodedShownAndConsumed)
{
    site.arrive(u":::S=012xxx090xxxxxx,DIABBBBB.");
    ASSERT_EQ(cursor.moves.size(), 1u);
    EXPECT_EQ(cursor.moves[0], (CursorPoint{512, 298})); // 384 - 12*7.2 = 297.6
    EXPECT_EQ(console.txtKey(0).text(), u"A");
    for (std::size_t k = 1; k < 6; ++k) {
        EXPECT_EQ(console.txtKey(k).text(), u"B");
    }
    EXPECT_EQ(console.Label2.caption(), u":::S=012xxx090xxxxxx,DIABBBBB.");
    EXPECT_EQ(console.Text1.text(), u"");
    EXPECT_EQ(console.Label3.caption(), u"速度:12");
}

TEST_F(Decoding, TwentyEightCharacterRecordTakesTheEndMarkAsAFlag)
{
    site.arrive(u":::S=012xxx090xxxxxx,DIABBB.");
    ASSERT_EQ(cursor.moves.size(), 1u);
    EXPECT_EQ(cursor.moves[0].x, 512);
    EXPECT_EQ(console.txtKey(4).text(), u".");
    EXPECT_EQ(console.txtKey(5).text(), u"");
    EXPECT_EQ(console.Label2.caption(), u":::S=012xxx090xxxxxx,DIABBB.");
}

TEST_F(Decoding, JunkBeforeTheMarkerIsIgnoredAndConsumedWithTheRecord)
{
    site.arrive(u"junk:::S=005xxx180xxxxxx,DIBBBBBB.");
    ASSERT_EQ(cursor.moves.size(), 1u);
    EXPECT_EQ(cursor.moves[0], (CursorPoint{0, 348})); // 384 - 36
    EXPECT_EQ(console.Text1.text(), u"");
}

TEST_F(Decoding, RecordSplitOverThreeArrivals)
{
    site.arrive(u":::S=01");
    EXPECT_TRUE(cursor.moves.empty());
    site.arrive(u"2xxx090xxxxxx,DIA");
    // The key block is already there: key 1 is pressed and forwarded now.
    EXPECT_EQ(console.txtKey(0).text(), u"A");
    EXPECT_EQ(console.txtKey(1).text(), u"");
    EXPECT_EQ(site.sentCharacters(), (std::vector<std::u32string>{U"A"})) << "TXTKEY(6)'s string";
    EXPECT_TRUE(cursor.moves.empty());
    site.arrive(u"BBBBB.");
    ASSERT_EQ(cursor.moves.size(), 1u);
    EXPECT_EQ(cursor.moves[0].x, 512);
    EXPECT_EQ(console.txtKey(1).text(), u"B");
    EXPECT_EQ(site.sentCharacters().size(), 1u) << "a flag that stays A forwards nothing more";
}

TEST_F(Decoding, EndMarkAtAnotherDistanceBlocksLaterRecordsUntilTheBoxIsEmptied)
{
    site.arrive(u":::S=012.");
    site.arrive(u":::S=012xxx090xxxxxx,DIABBBBB.");
    EXPECT_TRUE(cursor.moves.empty());
    EXPECT_EQ(console.Label2.caption(), u"车速：000");
    EXPECT_EQ(console.Text1.text().size(), 39u);
    // The serial poll's 100-character rule clears it on its next tick.
    site.arrive(Text(70, u'z'));
    console.Timer2.tick();
    EXPECT_EQ(console.Text1.text(), u"");
    site.arrive(u":::S=012xxx090xxxxxx,DIABBBBB.");
    EXPECT_EQ(cursor.moves.size(), 1u);
}

TEST_F(Decoding, BadKeyBlockLeavesFlagsButARecordIsStillDecoded)
{
    site.arrive(u":::S=012xxx090xxxxxx;DIAAAAAA.");
    EXPECT_EQ(cursor.moves.size(), 1u);
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(console.txtKey(k).text(), u"B");
    }
    EXPECT_TRUE(keys.calls().empty());
}

TEST_F(Decoding, GarbledRecordStillCopiesItsKeyBlock)
{
    site.arrive(u":::S=012xxx090xxxxxx,DIAAB.");
    EXPECT_TRUE(cursor.moves.empty()) << "end mark at 26 is not a record";
    EXPECT_EQ(console.txtKey(0).text(), u"A");
    EXPECT_EQ(console.txtKey(1).text(), u"A");
    EXPECT_EQ(console.txtKey(3).text(), u".");
}

TEST_F(Decoding, LengthRuleEmptiesOnlyBoxesOverTwoHundred)
{
    site.arrive(Text(200, u'x'));
    EXPECT_EQ(console.Text1.text().size(), 200u);
    site.arrive(u"y");
    EXPECT_EQ(console.Text1.text(), u"");
    site.arrive(u":::S=012" + Text(195, u'x'));
    EXPECT_EQ(console.Text1.text(), u"");
}

TEST_F(Decoding, FieldsAreReadByTheNumericRule)
{
    struct Case {
        const char16_t* speed;
        int expectSpeed;
    };
    const Case cases[] = {{u"ABC", 0}, {u" 7A", 7}, {u"-20", -20}, {u"1 2", 12}, {u"&HF", 15}, {u"1E1", 10}};
    for (const Case& c : cases) {
        site.arrive(u":::S=" + Text(c.speed) + u"xxx090xxxxxx,DIBBBBBB.");
        EXPECT_EQ(console.Text1.text(), u"") << toUtf8(c.speed);
        const std::string expected = "速度:" + std::to_string(c.expectSpeed);
        EXPECT_EQ(toUtf8(console.Label3.caption()), expected) << toUtf8(c.speed);
    }
}

TEST_F(Decoding, FieldBeyond32BitsIsConsumedWithoutMovingThePointer)
{
    site.arrive(u":::S=9E9xxx090xxxxxx,DIBBBBBB.");
    EXPECT_TRUE(cursor.moves.empty());
    EXPECT_EQ(console.decoder().skippedMotions(), 1);
    EXPECT_EQ(console.Text1.text(), u"");
    EXPECT_EQ(console.Label2.caption(), u":::S=9E9xxx090xxxxxx,DIBBBBBB.");
    // 9E8 fits 32 bits, but times the X travel it does not: the product overflows.
    site.arrive(u":::S=000xxx9E8xxxxxx,DIBBBBBB.");
    EXPECT_TRUE(cursor.moves.empty());
    site.arrive(u":::S=000xxx090xxxxxx,DIBBBBBB.");
    EXPECT_EQ(cursor.moves.size(), 1u);
}

TEST_F(Decoding, TwoRecordsInOneArrivalDecodeOnlyTheFirst)
{
    site.arrive(u":::S=010xxx000xxxxxx,DIBBBBBB.:::S=020xxx180xxxxxx,DIABBBBB.");
    ASSERT_EQ(cursor.moves.size(), 1u);
    EXPECT_EQ(cursor.moves[0].x, 1024);
    EXPECT_EQ(console.Text1.text(), u"");
    EXPECT_EQ(console.txtKey(0).text(), u"B");
}

TEST_F(Decoding, MarkerIsCaseSensitiveAndOnlyTheFirstCounts)
{
    site.arrive(u":::s=010xxx000xxxxxx,DIBBBBBB.");
    EXPECT_TRUE(cursor.moves.empty());
    console.Text1.setText({});
    site.arrive(u":::S=:::S=010xxx000xxxxxx,DIBBBBBB.");
    EXPECT_TRUE(cursor.moves.empty()) << "the first marker's end mark is at 30";
}

TEST_F(Decoding, AnyBytesAtAllAreHandledByTheSameRules)
{
    // NUL, replacement characters from invalid GBK, lone surrogates, and a megabyte at once.
    Text hostile;
    for (int i = 0; i < 300; ++i) {
        hostile.push_back(static_cast<char16_t>((i * 7919) & 0xFFFF));
    }
    using namespace std::string_literals;
    hostile += u"\0\uFFFD:::S=\0\0\0xxx\xD800\xDC00\xD800xxxxxx,DIA\0\0\0\0\0."s;
    site.arrive(hostile);
    // The marker's end mark is at 29, so this is a record: NULs and surrogates read as 0.
    ASSERT_EQ(cursor.moves.size(), 1u);
    EXPECT_EQ(cursor.moves[0], (CursorPoint{1024, 384}));
    EXPECT_EQ(console.Text1.text(), u"");

    site.arrive(Text(1 << 20, u'.') + u":::S=012xxx090xxxxxx,DIABBBBB.");
    EXPECT_EQ(console.Text1.text(), u"");
    EXPECT_EQ(cursor.moves.size(), 2u);
    EXPECT_EQ(cursor.moves[1].x, 512);
}

} // namespace
} // namespace ride
