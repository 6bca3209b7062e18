// SPDX-License-Identifier: GPL-3.0-or-later
// bike-sim's side of a capture: the chunks of the chosen source with their gaps counted from its
// first chunk, up to the damage of a file cut short, and the records they carry as a ride file.
#include "bike_sim/capture_ride.h"
#include "bike_sim/replay.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace ride::sim {
namespace {

TEST(CaptureReplay, TheSourcesChunksComeWithTheirGapsUpToTheDamage)
{
    testing::TempDir dir;
    const auto file = dir.path() / "site.capture";
    testing::writeBytes(file, "# ride-console capture 1 | ride-console 0.1\n"
                              "900.000 2026-12-07T21:58:04.000 tcp0@h:1 out 99991\n"
                              "1000.000 2026-12-07T21:58:04.100 serial in :::S=0\n"
                              "1000.500 2026-12-07T21:58:04.100 tcp0@h:1 in \\xFF:::S=\n"
                              "1030.250 2026-12-07T21:58:04.130 serial in 10xxx090xxxxxx,DIBBBBBB.\n"
                              "1090.000 2026-12-07T21:58:04.190 serial in \\x00\\\\\n"
                              "1120.000 2026-12-07T21:58:04.220 serial in :::S=011xx");
    std::string error;
    auto serial = CaptureReplay::open(file.string(), LineSource::serial(), error);
    ASSERT_TRUE(serial) << error;
    std::vector<std::pair<double, std::string>> chunks;
    while (auto chunk = serial->next()) {
        chunks.emplace_back(chunk->seconds, chunk->bytes);
    }
    EXPECT_EQ(chunks, (std::vector<std::pair<double, std::string>>{
                          {0, ":::S=0"}, {0.03025, "10xxx090xxxxxx,DIBBBBBB."}, {0.09, std::string("\0\\", 2)}}));
    ASSERT_TRUE(serial->stopped());
    EXPECT_EQ(serial->describeStop(),
              "line 7 of " + file.string() + ": the file ends inside this line: it was cut short");

    auto channel = CaptureReplay::open(file.string(), LineSource::tcpChannel(0), error);
    ASSERT_TRUE(channel) << error;
    EXPECT_EQ(channel->next()->bytes, "\xff:::S=") << "what the console sent is not played";
    EXPECT_FALSE(CaptureReplay::open(file.string(), LineSource::tcpChannel(1), error));
    EXPECT_EQ(error, file.string() + " holds no bytes from channel:1 before line 7 of " + file.string() +
                         ": the file ends inside this line: it was cut short; it holds bytes from channel:0 serial");
}

TEST(CaptureReplay, RecordsBecomeRideStepsAtTheChunkThatCompletesThem)
{
    const struct {
        std::vector<std::string> chunks; // one a tenth of a second after the other
        std::vector<std::string> steps;
    } cases[] = {
        {{":::S=010xxx090xxxxxx,DIABBBBB."}, {"0.000 10 90 ABBBBB"}},
        {{"\x01\xff:::S=02", "0xxx045xxxxxx,DIB", "BBBBA.:::S=0"}, {"0.200 20 45 BBBBBA"}},
        {{":::S=010xx.", ":::S=-05xxx180xxxxxx,DIBBBA.x"}, {"0.100 -5 180 BBBABB"}},
        {{":::S=ABCxxx 7AxxxxxxBBBBBBBBB.", ":::S=005xxx090xxxxxx!DIBBBBBB."},
         {"0.000 0 7 BBBBBB", "0.100 5 90 BBBBBB"}},
        {{":::S=010xxx090xxxxxx,DIABBBBB!", ":::S=011xxx091xxxxxx,DIBABBBB."}, {"0.100 11 91 BABBBB"}},
    };
    for (const auto& c : cases) {
        RecordScanner scanner;
        std::vector<std::string> steps;
        for (std::size_t i = 0; i < c.chunks.size(); ++i) {
            for (const RideStep& step : scanner.feed(c.chunks[i], 0.1 * double(i))) {
                steps.push_back(rideLine(step));
            }
        }
        EXPECT_EQ(steps, c.steps) << c.chunks.front();
    }
}

} // namespace
} // namespace ride::sim
