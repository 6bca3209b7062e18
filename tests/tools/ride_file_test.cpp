// SPDX-License-Identifier: GPL-3.0-or-later
// Ride files as installers write or export them: what is read, and every bad line reported
// with its line number so it can be found and fixed.
#include "bike_sim/ride_file.h"

#include <gtest/gtest.h>

#include <sstream>

namespace ride::sim {
namespace {

RideFile parse(const std::string& text)
{
    std::istringstream in(text);
    return parseRideFile(in);
}

std::string keysOf(const BikeState& s)
{
    std::string keys;
    for (bool k : s.keys) {
        keys.push_back(k ? 'A' : 'B');
    }
    return keys;
}

TEST(RideFile, ReadsStepsWhateverTheEditorOrSpreadsheetMadeOfTheLines)
{
    const RideFile ride = parse("\xEF\xBB\xBF# seconds speed direction keys\r\n"
                                "0     10  90  BBBBBB\r\n"
                                "\r\n"
                                "   # a pause\n"
                                "0.5\t12\t60\tABBBBB   # key 1\n"
                                "1.25,+5,-20,BBBBBA\n"
                                "1.25; 999; -99; 101010\n");
    ASSERT_TRUE(ride.errors.empty()) << ride.errors[0].line << ": " << ride.errors[0].message;
    ASSERT_EQ(ride.steps.size(), 4u);
    EXPECT_EQ(ride.steps[0].time, 0.0);
    EXPECT_EQ(ride.steps[0].state.speed, 10);
    EXPECT_EQ(ride.steps[0].state.direction, 90);
    EXPECT_EQ(keysOf(ride.steps[0].state), "BBBBBB");
    EXPECT_EQ(ride.steps[1].time, 0.5);
    EXPECT_EQ(keysOf(ride.steps[1].state), "ABBBBB");
    EXPECT_EQ(ride.steps[2].time, 1.25);
    EXPECT_EQ(ride.steps[2].state.speed, 5);
    EXPECT_EQ(ride.steps[2].state.direction, -20);
    EXPECT_EQ(keysOf(ride.steps[2].state), "BBBBBA");
    // Equal times are allowed (the later line wins), 1 and 0 stand for A and B.
    EXPECT_EQ(ride.steps[3].state.speed, 999);
    EXPECT_EQ(ride.steps[3].state.direction, -99);
    EXPECT_EQ(keysOf(ride.steps[3].state), "ABABAB");
}

TEST(RideFile, EveryBadLineIsReportedWithItsNumberAndWhatIsWrong)
{
    const RideFile ride = parse("0 10 90 BBBBBB\n"         // 1
                                "# fine\n"                 // 2
                                "1 abc 90 BBBBBB\n"        // 3 speed
                                "2 10 90\n"                // 4 field count
                                "3 10 1000 BBBBBB\n"       // 5 direction range
                                "4 10 90 ABBBB\n"          // 6 five keys
                                "5 10 90 ABBBBC\n"         // 7 bad key letter
                                "-1 10 90 BBBBBB\n"        // 8 negative time
                                "later 10 90 BBBBBB\n"     // 9 time not a number
                                "6 10.5 90 BBBBBB\n"       // 10 not whole
                                "7 -100 90 BBBBBB\n"       // 11 speed range
                                "6.5 10 90 BBBBBB\n"       // 12 fine
                                "8 10 90 BBBBBB extra\n"); // 13 field count
    std::vector<int> lines;
    for (const auto& e : ride.errors) {
        lines.push_back(e.line);
    }
    // Line 12 is fine: the last good step before it is line 1 at 0 seconds.
    EXPECT_EQ(lines, (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10, 11, 13}));
    ASSERT_EQ(ride.errors.size(), 10u);
    EXPECT_EQ(describeError("ride.txt", ride.errors[0]),
              "ride.txt:3: speed \"abc\" is not a whole number from -99 to 999");
    EXPECT_EQ(describeError("ride.txt", ride.errors[1]),
              "ride.txt:4: expected 4 fields (seconds speed direction keys), found 3");
    EXPECT_NE(ride.errors[2].message.find("direction \"1000\""), std::string::npos);
    EXPECT_NE(ride.errors[3].message.find("keys \"ABBBB\""), std::string::npos);
    EXPECT_NE(ride.errors[4].message.find("keys \"ABBBBC\""), std::string::npos);
    EXPECT_NE(ride.errors[5].message.find("time \"-1\""), std::string::npos);
    EXPECT_NE(ride.errors[6].message.find("time \"later\""), std::string::npos);
    EXPECT_NE(ride.errors[7].message.find("speed \"10.5\""), std::string::npos);
    EXPECT_NE(ride.errors[8].message.find("speed \"-100\""), std::string::npos);
    EXPECT_NE(ride.errors[9].message.find("found 5"), std::string::npos);
}

TEST(RideFile, TimeThatGoesBackIsABadLine)
{
    const RideFile ride = parse("0 10 90 BBBBBB\n2 10 90 BBBBBB\n1.5 10 90 BBBBBB\n3 10 90 BBBBBB\n");
    ASSERT_EQ(ride.errors.size(), 1u);
    EXPECT_EQ(describeError("r", ride.errors[0]), "r:3: time 1.5 is earlier than the 2 of the step before");
    EXPECT_EQ(ride.steps.size(), 3u);
}

TEST(RideFile, TimesThatAreNotFiniteAreBadLines)
{
    const RideFile ride = parse("nan 10 90 BBBBBB\ninf 10 90 BBBBBB\n1e999 10 90 BBBBBB\n0x10 10 90 BBBBBB\n");
    EXPECT_EQ(ride.errors.size(), 4u);
    EXPECT_TRUE(ride.steps.empty());
}

TEST(RideFile, FileWithoutStepsIsAnErrorOfTheWholeFile)
{
    for (const char* text : {"", "# only a comment\n\n", "\r\n"}) {
        const RideFile ride = parse(text);
        ASSERT_EQ(ride.errors.size(), 1u) << text;
        EXPECT_EQ(ride.errors[0].line, 0);
        EXPECT_EQ(describeError("empty.txt", ride.errors[0]),
                  "empty.txt: no steps: each line needs seconds, speed, direction and keys");
    }
}

} // namespace
} // namespace ride::sim
