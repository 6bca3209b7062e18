// Bike records in the receive box: what is decoded, what waits, and what is thrown away.
#include "console_fixture.h"

namespace ride {
namespace {

using Decoding = testing::ConsoleFixture;

TEST_F(Decoding, ThirtyCharacterRecordIsDecodedShownAndConsumed)
{
    arrive(u":::S=012xxx090xxxxxx,DIABBBBB.");
    ASSERT_EQ(cursor.moves.size(), 1u);
    EXPECT_EQ(cursor.moves[0], (CursorPoint{512, 298})); // 384 - 12*7.2 = 297.6
    EXPECT_EQ(form->txtKey(0).text(), u"A");
    for (std::size_t k = 1; k < 6; ++k) {
        EXPECT_EQ(form->txtKey(k).text(), u"B");
    }
    EXPECT_EQ(form->Label2.caption(), u":::S=012xxx090xxxxxx,DIABBBBB.");
    EXPECT_EQ(form->Text1.text(), u"");
    EXPECT_EQ(form->Label3.caption(), u"速度:12");
}

TEST_F(Decoding, TwentyEightCharacterRecordTakesTheEndMarkAsAFlag)
{
    arrive(u":::S=012xxx090xxxxxx,DIABBB.");
    ASSERT_EQ(cursor.moves.size(), 1u);
    EXPECT_EQ(cursor.moves[0].x, 512);
    EXPECT_EQ(form->txtKey(4).text(), u".");
    EXPECT_EQ(form->txtKey(5).text(), u"");
    EXPECT_EQ(form->Label2.caption(), u":::S=012xxx090xxxxxx,DIABBB.");
}

TEST_F(Decoding, JunkBeforeTheMarkerIsIgnoredAndConsumedWithTheRecord)
{
    arrive(u"junk:::S=005xxx180xxxxxx,DIBBBBBB.");
    ASSERT_EQ(cursor.moves.size(), 1u);
    EXPECT_EQ(cursor.moves[0], (CursorPoint{0, 348})); // 384 - 36
    EXPECT_EQ(form->Text1.text(), u"");
}

TEST_F(Decoding, RecordSplitOverThreeArrivals)
{
    arrive(u":::S=01");
    EXPECT_TRUE(cursor.moves.empty());
    arrive(u"2xxx090xxxxxx,DIA");
    // The key block is already there: key 1 is pressed and forwarded now.
    EXPECT_EQ(form->txtKey(0).text(), u"A");
    EXPECT_EQ(form->txtKey(1).text(), u"");
    EXPECT_EQ(sentCharacters(), (std::vector<std::u32string>{U"A"})) << "TXTKEY(6)'s string";
    EXPECT_TRUE(cursor.moves.empty());
    arrive(u"BBBBB.");
    ASSERT_EQ(cursor.moves.size(), 1u);
    EXPECT_EQ(cursor.moves[0].x, 512);
    EXPECT_EQ(form->txtKey(1).text(), u"B");
    EXPECT_EQ(sentCharacters().size(), 1u) << "a flag that stays A forwards nothing more";
}

TEST_F(Decoding, EndMarkAtAnotherDistanceBlocksLaterRecordsUntilTheBoxIsEmptied)
{
    arrive(u":::S=012.");
    arrive(u":::S=012xxx090xxxxxx,DIABBBBB.");
    EXPECT_TRUE(cursor.moves.empty());
    EXPECT_EQ(form->Label2.caption(), u"车速：000");
    EXPECT_EQ(form->Text1.text().size(), 39u);
    // The serial poll's 100-character rule clears it on its next tick.
    arrive(Text(70, u'z'));
    form->Timer2.tick();
    EXPECT_EQ(form->Text1.text(), u"");
    arrive(u":::S=012xxx090xxxxxx,DIABBBBB.");
    EXPECT_EQ(cursor.moves.size(), 1u);
}

TEST_F(Decoding, BadKeyBlockLeavesFlagsButARecordIsStillDecoded)
{
    arrive(u":::S=012xxx090xxxxxx;DIAAAAAA.");
    EXPECT_EQ(cursor.moves.size(), 1u);
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(form->txtKey(k).text(), u"B");
    }
    EXPECT_TRUE(keys.calls().empty());
}

TEST_F(Decoding, GarbledRecordStillCopiesItsKeyBlock)
{
    arrive(u":::S=012xxx090xxxxxx,DIAAB.");
    EXPECT_TRUE(cursor.moves.empty()) << "end mark at 26 is not a record";
    EXPECT_EQ(form->txtKey(0).text(), u"A");
    EXPECT_EQ(form->txtKey(1).text(), u"A");
    EXPECT_EQ(form->txtKey(3).text(), u".");
}

TEST_F(Decoding, LengthRuleEmptiesOnlyBoxesOverTwoHundred)
{
    arrive(Text(200, u'x'));
    EXPECT_EQ(form->Text1.text().size(), 200u);
    arrive(u"y");
    EXPECT_EQ(form->Text1.text(), u"");
    arrive(u":::S=012" + Text(195, u'x'));
    EXPECT_EQ(form->Text1.text(), u"");
}

TEST_F(Decoding, FieldsAreReadByTheNumericRule)
{
    struct Case {
        const char16_t* speed;
        int expectSpeed;
    };
    const Case cases[] = {{u"ABC", 0}, {u" 7A", 7}, {u"-20", -20}, {u"1 2", 12}, {u"&HF", 15}, {u"1E1", 10}};
    for (const Case& c : cases) {
        arrive(u":::S=" + Text(c.speed) + u"xxx090xxxxxx,DIBBBBBB.");
        EXPECT_EQ(form->Text1.text(), u"") << toUtf8(c.speed);
        const std::string expected = "速度:" + std::to_string(c.expectSpeed);
        EXPECT_EQ(toUtf8(form->Label3.caption()), expected) << toUtf8(c.speed);
    }
}

TEST_F(Decoding, FieldBeyond32BitsIsConsumedWithoutMovingThePointer)
{
    arrive(u":::S=9E9xxx090xxxxxx,DIBBBBBB.");
    EXPECT_TRUE(cursor.moves.empty());
    EXPECT_EQ(form->decoder().skippedMotions(), 1);
    EXPECT_EQ(form->Text1.text(), u"");
    EXPECT_EQ(form->Label2.caption(), u":::S=9E9xxx090xxxxxx,DIBBBBBB.");
    // 9E8 fits 32 bits, but times the X travel it does not: the product overflows.
    arrive(u":::S=000xxx9E8xxxxxx,DIBBBBBB.");
    EXPECT_TRUE(cursor.moves.empty());
    arrive(u":::S=000xxx090xxxxxx,DIBBBBBB.");
    EXPECT_EQ(cursor.moves.size(), 1u);
}

TEST_F(Decoding, TwoRecordsInOneArrivalDecodeOnlyTheFirst)
{
    arrive(u":::S=010xxx000xxxxxx,DIBBBBBB.:::S=020xxx180xxxxxx,DIABBBBB.");
    ASSERT_EQ(cursor.moves.size(), 1u);
    EXPECT_EQ(cursor.moves[0].x, 1024);
    EXPECT_EQ(form->Text1.text(), u"");
    EXPECT_EQ(form->txtKey(0).text(), u"B");
}

TEST_F(Decoding, MarkerIsCaseSensitiveAndOnlyTheFirstCounts)
{
    arrive(u":::s=010xxx000xxxxxx,DIBBBBBB.");
    EXPECT_TRUE(cursor.moves.empty());
    form->Text1.setText({});
    arrive(u":::S=:::S=010xxx000xxxxxx,DIBBBBBB.");
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
    arrive(hostile);
    // The marker's end mark is at 29, so this is a record: NULs and surrogates read as 0.
    ASSERT_EQ(cursor.moves.size(), 1u);
    EXPECT_EQ(cursor.moves[0], (CursorPoint{1024, 384}));
    EXPECT_EQ(form->Text1.text(), u"");

    arrive(Text(1 << 20, u'.') + u":::S=012xxx090xxxxxx,DIABBBBB.");
    EXPECT_EQ(form->Text1.text(), u"");
    EXPECT_EQ(cursor.moves.size(), 2u);
    EXPECT_EQ(cursor.moves[1].x, 512);
}

} // namespace
} // namespace ride
