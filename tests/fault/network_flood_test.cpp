// SPDX-License-Identifier: GPL-3.0-or-later
// A controller gone mad: random bytes as fast as loopback takes them, for 30 seconds. The console
// must stay responsive (its 30 ms serial poll never waits more than 100 ms), keep its memory
// bounded, and decode the first good records that follow.
#include "fault/live_site.h"
#include "fault/process_memory.h"
#include "fault/tick_gaps.h"
#include "support/fake_serial_line.h"
#include "support/loopback_server.h"
#include "support/qt_event_pump.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>

namespace ride {
namespace {

using testing::kLivePumpStep;
using testing::LoopbackServer;
using testing::pumpFor;
using testing::pumpUntil;
using namespace std::chrono_literals;

TEST(NetworkFlood, ThirtySecondsOfRandomBytesLeaveTheConsoleResponsiveAndItsMemoryBounded)
{
    testing::TempDir dir;
    testing::LiveSite rig(dir / "配置.ini");

    std::string pool(10 << 20, '\0');
    std::mt19937 random(8);
    for (char& c : pool) {
        c = static_cast<char>(random());
    }
    std::atomic<long long> flooded{0};
    std::atomic<bool> floodOver{false};
    LoopbackServer controller([&](int& fd, const std::atomic<bool>& stopping) {
        const auto end = std::chrono::steady_clock::now() + 30s;
        constexpr std::size_t kChunk = 256 << 10;
        for (std::size_t at = 0; std::chrono::steady_clock::now() < end; at = (at + kChunk) % pool.size()) {
            if (!LoopbackServer::sendAll(fd, pool.substr(at, kChunk), stopping, &flooded)) {
                break;
            }
        }
        floodOver = true;
        while (LoopbackServer::sendAll(fd, testing::kRecordTo768, stopping) &&
               LoopbackServer::idle(fd, 100ms, stopping)) {
        }
    });

    rig.pointChannelAt(u"127.0.0.1", controller.port());
    ASSERT_TRUE(pumpUntil([&] { return controller.accepted() == 1; }, 3s, kLivePumpStep));
    testing::TickGaps poll(rig.console().Timer2);
    poll.start();
    pumpFor(2s);
    const long residentAtStart = testing::residentKb();
    long residentPeak = residentAtStart;
    long residentAtTen = 0;
    for (int second = 2; !floodOver && second < 40; ++second) {
        pumpFor(1s);
        residentPeak = std::max(residentPeak, testing::residentKb());
        if (second == 10) {
            residentAtTen = testing::residentKb();
        }
    }
    poll.stop();
    const long residentAtEnd = testing::residentKb();
    ASSERT_TRUE(floodOver);

    const double megabytes = double(flooded) / (1 << 20);
    ::testing::Test::RecordProperty("flood_megabytes", std::to_string(megabytes));
    ::testing::Test::RecordProperty("longest_poll_gap_ms", std::to_string(poll.longestMs()));
    ::testing::Test::RecordProperty("resident_kb_start_peak_end", std::to_string(residentAtStart) + " " +
                                                                      std::to_string(residentPeak) + " " +
                                                                      std::to_string(residentAtEnd));
    std::printf("flood: %.0f MB in 30 s; serial poll: %ld ticks, longest gap %.1f ms; resident memory %ld kB at "
                "the start, %ld kB at 10 s, %ld kB peak, %ld kB at the end\n",
                megabytes, poll.ticks(), poll.longestMs(), residentAtStart, residentAtTen, residentPeak, residentAtEnd);

    EXPECT_GE(flooded, 10LL << 20) << "the flood carried at least the 10 MB of random bytes";
    EXPECT_LE(poll.longestMs(), 100.0) << "the 30 ms poll waited too long behind the flood";
    EXPECT_GE(poll.ticks(), 700) << "about a thousand polls in 30 s";
    if (testing::kResidentMemoryMeaningful) {
        EXPECT_LE(residentPeak - residentAtStart, 64 * 1024) << "memory grew with the flood";
        EXPECT_LE(residentAtEnd - residentAtTen, 16 * 1024) << "memory kept growing under a steady flood";
    }
    EXPECT_LE(rig.network().channel(0).TxtTcpRx.text().size(), 1000u);

    EXPECT_TRUE(rig.pointerReaches({768, 312}, 3s)) << "a good record after the flood moves the pointer";
    EXPECT_EQ(controller.accepted(), 1) << "the flood kept the channel alive: no reconnect";
}

} // namespace
} // namespace ride
