// SPDX-License-Identifier: GPL-3.0-or-later
// The records bike-sim sends: the exact characters the console expects, for every value a
// field can hold, in both lengths.
#include "bike_sim/record.h"
#include "console_reading.h"

#include <gtest/gtest.h>

namespace ride::sim {
namespace {

BikeState state(int speed, int direction, const char* keys = "BBBBBB")
{
    BikeState s;
    s.speed = speed;
    s.direction = direction;
    for (std::size_t k = 0; k < kKeyCount; ++k) {
        s.keys[k] = keys[k] == 'A';
    }
    return s;
}

TEST(RecordFormat, FullAndShortRecordsHaveTheWrittenShape)
{
    EXPECT_EQ(formatRecord(state(12, 90, "ABBBBB"), RecordLength::Full), ":::S=012xxx090xxxxxx,DIABBBBB.");
    EXPECT_EQ(formatRecord(state(12, 90, "ABBBBB"), RecordLength::Short), ":::S=012xxx090xxxxxx,DIABBB.");
    EXPECT_EQ(formatRecord(state(-20, 180, "BBBBBA"), RecordLength::Full), ":::S=-20xxx180xxxxxx,DIBBBBBA.");
    // Keys 5 and 6 have no place in the short form: it stays 28 characters.
    EXPECT_EQ(formatRecord(state(0, 0, "BBBBAA"), RecordLength::Short), ":::S=000xxx000xxxxxx,DIBBBB.");
}

TEST(RecordFormat, FieldsAreThreeCharactersAndOutOfRangeValuesAreHeldAtTheEnds)
{
    EXPECT_EQ(formatField(0), "000");
    EXPECT_EQ(formatField(7), "007");
    EXPECT_EQ(formatField(999), "999");
    EXPECT_EQ(formatField(-5), "-05");
    EXPECT_EQ(formatField(-99), "-99");
    EXPECT_EQ(formatField(1000), "999");
    EXPECT_EQ(formatField(-100), "-99");
    EXPECT_EQ(formatField(-2147483647 - 1), "-99");
}

TEST(RecordFormat, EveryFieldValueReadsBackAtTheConsolesOffsets)
{
    for (const auto length : {RecordLength::Full, RecordLength::Short}) {
        for (int value = kFieldMin; value <= kFieldMax; ++value) {
            const std::string record = formatRecord(state(value, kFieldMax - (value - kFieldMin)), length);
            ASSERT_EQ(record.size(), static_cast<std::size_t>(length)) << record;
            // The end mark must be the record's only ".", or the console stops reading early.
            ASSERT_EQ(record.find('.'), record.size() - 1) << record;
            const auto reading = testing::readAsConsole(record);
            ASSERT_TRUE(reading) << record;
            EXPECT_EQ(reading->speed, value) << record;
            EXPECT_EQ(reading->direction, kFieldMax - (value - kFieldMin)) << record;
        }
    }
}

TEST(RecordFormat, EachKeyFlagSitsAtItsOwnOffset)
{
    for (std::size_t k = 0; k < kKeyCount; ++k) {
        BikeState s = state(10, 90);
        s.keys[k] = true;
        const auto reading = testing::readAsConsole(formatRecord(s, RecordLength::Full));
        ASSERT_TRUE(reading);
        std::string expected(kKeyCount, 'B');
        expected[k] = 'A';
        EXPECT_EQ(reading->flags, expected) << "key " << k + 1;
    }
}

} // namespace
} // namespace ride::sim
