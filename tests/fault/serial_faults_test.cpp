// SPDX-License-Identifier: GPL-3.0-or-later
// The serial line to the bike on a pseudo-terminal pair: a device that goes away in the middle of
// a record and comes back, three times over, and a line that carries nothing but random bytes.
#include "fault/live_site.h"
#include "fault/process_memory.h"
#include "fault/stderr_capture.h"
#include "fault/tick_gaps.h"
#include "io/qt/qt_serial_line.h"
#include "settings/profile_file.h"
#include "support/count_of.h"
#include "support/pty_pair.h"
#include "support/qt_event_pump.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

namespace ride {
namespace {

using testing::countOf;
using testing::kLivePumpStep;
using testing::kRecordTo512;
using testing::kRecordTo768;
using testing::pumpFor;
using testing::pumpUntil;
using namespace std::chrono_literals;

class SerialFaults : public ::testing::Test {
protected:
    SerialFaults()
    {
        WriteIni(dir / "配置.ini", u"串口设置", u"设置", u"9600,N,8,1");
        WriteIni(dir / "配置.ini", u"串口设置", u"端口", fromUtf8(pty.deviceEnd().string()));
        rig = std::make_unique<testing::LiveSite>(dir / "配置.ini", "qt");
    }

    // Writes `record` every 50 ms until the pointer reaches `target` or 3 s pass.
    bool driveTo(const std::string& record, CursorPoint target)
    {
        for (int i = 0; i < 60; ++i) {
            pty.write(record);
            if (rig->pointerReaches(target, 50ms)) {
                return true;
            }
        }
        return false;
    }

    testing::TempDir dir;
    testing::PtyPair pty{dir.path()};
    std::unique_ptr<testing::LiveSite> rig;
    QtSerialLine& line() { return dynamic_cast<QtSerialLine&>(rig->serialLine()); }
};

TEST_F(SerialFaults, DeviceThatGoesAwayMidRecordIsReopenedWhenBackAndRecordsResume)
{
    testing::StderrCapture log((dir / "stderr.log").string());
    ASSERT_TRUE(line().isOpen());
    ASSERT_TRUE(driveTo(kRecordTo512, {512, 312}));
    testing::TickGaps poll(rig->console().Timer2);
    poll.start();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        pty.write(kRecordTo768.substr(0, 12));
        pumpFor(100ms);
        pty.unplug();
        EXPECT_TRUE(pumpUntil([&] { return !line().isOpen(); }, 2s, kLivePumpStep)) << "the loss was not noticed";
        pumpFor(1500ms);
        pty.plugIn();
        EXPECT_TRUE(pumpUntil([&] { return line().isOpen(); }, 3s, kLivePumpStep)) << "not reopened";
        const bool even = round % 2 == 0;
        EXPECT_TRUE(driveTo(even ? kRecordTo768 : kRecordTo512, even ? CursorPoint{768, 312} : CursorPoint{512, 312}))
            << "records did not resume";
        EXPECT_LE(rig->console().Text1.text().size(), 100u);
    }
    poll.stop();
    log.restore();
    EXPECT_LE(poll.longestMs(), 100.0) << "the poll stalled while the device was away";
    const std::string lines = log.text();
    EXPECT_EQ(countOf(lines, pty.deviceEnd().string() + " lost ("), 3) << lines;
    EXPECT_EQ(countOf(lines, pty.deviceEnd().string() + " is back"), 3) << lines;
}

TEST_F(SerialFaults, RandomBytesOnTheLineLeaveThePollResponsiveAndMemoryBounded)
{
    ASSERT_TRUE(driveTo(kRecordTo512, {512, 312}));
    std::atomic<bool> stop{false};
    std::atomic<long long> written{0};
    std::atomic<bool> finished{false};
    std::thread flood([&] {
        std::mt19937 random(11);
        std::string chunk(64 << 10, '\0');
        while (!stop) {
            for (char& c : chunk) {
                c = static_cast<char>(random());
            }
            pty.write(chunk);
            written += static_cast<long long>(chunk.size());
        }
        finished = true;
    });
    testing::TickGaps poll(rig->console().Timer2);
    poll.start();
    pumpFor(1s);
    const long residentAtStart = testing::residentKb();
    long residentPeak = residentAtStart;
    for (int second = 1; second < 10; ++second) {
        pumpFor(1s);
        residentPeak = std::max(residentPeak, testing::residentKb());
    }
    poll.stop();
    stop = true;
    // The writer may be blocked on a full line until the poll drains it.
    EXPECT_TRUE(pumpUntil([&] { return finished.load(); }, 3s, kLivePumpStep));
    flood.join();

    std::printf("serial flood: %.1f MB in 10 s; poll: %ld ticks, longest gap %.1f ms; resident %ld kB -> peak %ld kB\n",
                double(written) / (1 << 20), poll.ticks(), poll.longestMs(), residentAtStart, residentPeak);
    EXPECT_GE(written, 1LL << 20) << "the line carried at least a megabyte of noise";
    EXPECT_LE(poll.longestMs(), 100.0);
    EXPECT_GE(poll.ticks(), 200);
    if (testing::kResidentMemoryMeaningful) {
        EXPECT_LE(residentPeak - residentAtStart, 32 * 1024) << "memory grew with the noise";
    }
    EXPECT_TRUE(driveTo(kRecordTo768, {768, 312})) << "a good record after the noise moves the pointer";
}

} // namespace
} // namespace ride
