// SPDX-License-Identifier: GPL-3.0-or-later
// Records spoiled on purpose: each mode spoils the record the way it says and no other way,
// and a seed gives the same spoiling every time.
#include "bike_sim/malformed_record.h"
#include "bike_sim/record.h"
#include "console_reading.h"

#include <gtest/gtest.h>

#include <set>

namespace ride::sim {
namespace {

const std::string kRecord = ":::S=012xxx090xxxxxx,DIABBBBB.";
constexpr int kSeeds = 300;

TEST(MalformedRecord, ModeNamesAreTheOnesTheHelpLists)
{
    for (const char* name : {"end-mark", "letters", "split", "garbage"}) {
        const auto mode = parseMalform(name);
        ASSERT_TRUE(mode) << name;
        EXPECT_EQ(malformName(*mode), name);
    }
    EXPECT_FALSE(parseMalform("Split"));
    EXPECT_FALSE(parseMalform(""));
    EXPECT_EQ(malformNames(), "end-mark, letters, split, garbage");
}

TEST(MalformedRecord, BadEndMarkIsNeverDecodedAndTakesBothForms)
{
    bool missing = false;
    bool early = false;
    for (int seed = 0; seed < kSeeds; ++seed) {
        std::mt19937 random(static_cast<unsigned>(seed));
        const Pieces pieces = malformRecord(kRecord, Malform::EndMark, random);
        ASSERT_EQ(pieces.size(), 1u);
        const std::string& spoiled = pieces[0];
        ASSERT_EQ(spoiled.size(), kRecord.size());
        EXPECT_FALSE(testing::readAsConsole(spoiled)) << spoiled;
        missing = missing || spoiled.find('.') == std::string::npos;
        early = early || spoiled.find('.') < kKeyBlockOffset;
    }
    EXPECT_TRUE(missing) << "no record lost its end mark";
    EXPECT_TRUE(early) << "no record got an early end mark";
}

TEST(MalformedRecord, LettersReplaceTheTwoFieldsAndNothingElse)
{
    for (int seed = 0; seed < kSeeds; ++seed) {
        std::mt19937 random(static_cast<unsigned>(seed));
        const Pieces pieces = malformRecord(kRecord, Malform::Letters, random);
        ASSERT_EQ(pieces.size(), 1u);
        const std::string& spoiled = pieces[0];
        ASSERT_EQ(spoiled.size(), kRecord.size());
        for (std::size_t i = 0; i < spoiled.size(); ++i) {
            const bool inField =
                (i >= kSpeedOffset && i < kSpeedOffset + 3) || (i >= kDirectionOffset && i < kDirectionOffset + 3);
            if (inField) {
                EXPECT_TRUE(spoiled[i] >= 'A' && spoiled[i] <= 'Z') << spoiled;
            } else {
                EXPECT_EQ(spoiled[i], kRecord[i]) << spoiled;
            }
        }
        // Still a complete record: the console moves the pointer as for speed and direction 0.
        const auto reading = testing::readAsConsole(spoiled);
        ASSERT_TRUE(reading) << spoiled;
        EXPECT_EQ(reading->speed, 0);
        EXPECT_EQ(reading->direction, 0);
    }
}

TEST(MalformedRecord, SplitPiecesJoinToTheRecordAtVaryingCuts)
{
    std::set<std::size_t> pieceCounts;
    std::set<std::size_t> firstCuts;
    for (int seed = 0; seed < kSeeds; ++seed) {
        std::mt19937 random(static_cast<unsigned>(seed));
        const Pieces pieces = malformRecord(kRecord, Malform::Split, random);
        ASSERT_GE(pieces.size(), 2u);
        ASSERT_LE(pieces.size(), 3u);
        std::string joined;
        for (const auto& piece : pieces) {
            EXPECT_FALSE(piece.empty());
            joined += piece;
        }
        EXPECT_EQ(joined, kRecord);
        pieceCounts.insert(pieces.size());
        firstCuts.insert(pieces[0].size());
    }
    EXPECT_EQ(pieceCounts.size(), 2u) << "both two and three pieces";
    // Every cut from after the first character to before the last can happen.
    EXPECT_EQ(firstCuts.size(), kRecord.size() - 1);
}

TEST(MalformedRecord, GarbageComesBeforeAnIntactRecordAndSpansAllByteValues)
{
    bool highByte = false;
    bool controlByte = false;
    for (int seed = 0; seed < kSeeds; ++seed) {
        std::mt19937 random(static_cast<unsigned>(seed));
        const Pieces pieces = malformRecord(kRecord, Malform::Garbage, random);
        ASSERT_EQ(pieces.size(), 1u);
        const std::string& sent = pieces[0];
        ASSERT_GT(sent.size(), kRecord.size());
        ASSERT_LE(sent.size(), kRecord.size() + 24);
        EXPECT_EQ(sent.substr(sent.size() - kRecord.size()), kRecord);
        for (std::size_t i = 0; i + kRecord.size() < sent.size(); ++i) {
            const auto byte = static_cast<unsigned char>(sent[i]);
            highByte = highByte || byte >= 0x80;
            controlByte = controlByte || byte < 0x20;
        }
    }
    EXPECT_TRUE(highByte);
    EXPECT_TRUE(controlByte);
}

TEST(MalformedRecord, TheSameSeedSpoilsTheSameWay)
{
    std::mt19937 first(42);
    std::mt19937 second(42);
    std::mt19937 other(43);
    bool differs = false;
    for (const auto mode : {Malform::EndMark, Malform::Letters, Malform::Split, Malform::Garbage}) {
        const Pieces a = malformRecord(kRecord, mode, first);
        EXPECT_EQ(a, malformRecord(kRecord, mode, second)) << malformName(mode);
        differs = differs || a != malformRecord(kRecord, mode, other);
    }
    EXPECT_TRUE(differs) << "another seed spoils differently";
}

} // namespace
} // namespace ride::sim
