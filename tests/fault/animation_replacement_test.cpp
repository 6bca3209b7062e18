// SPDX-License-Identifier: GPL-3.0-or-later
// An animation program that ignores SIGTERM, replaced again and again while the console runs on
// its real timers: the serial poll, the decoding of what it brings, the network window's
// supervision and the player's own poll keep their pace, because nothing waits for an old program
// to die; each one is killed after its grace period and reaped, and the new one always counts as
// playing.
#include "fault/live_site.h"
#include "fault/tick_gaps.h"
#include "media/process/process_animation_player.h"
#include "settings/profile_file.h"
#include "support/fake_serial_line.h"
#include "support/file_bytes.h"
#include "support/qt_event_pump.h"
#include "support/recording_media_player.h"
#include "support/temp_dir.h"

#include <QObject>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <vector>

#include <csignal>

namespace ride {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

TEST(AnimationReplacement, TheConsoleKeepsItsPaceWhileProgramsThatIgnoreTermAreReplaced)
{
    testing::TempDir dir;
    const auto settings = dir / "配置.ini";
    {
        // Notes each start's process id; ignores SIGTERM, as does the sleep it runs.
        std::ofstream program(dir / "stubborn.sh");
        program << "#!/bin/sh\ntrap '' TERM\necho $$ >> pids\nwhile :; do sleep 1; done\n";
    }
    std::filesystem::permissions(dir / "stubborn.sh", std::filesystem::perms::owner_all);
    ASSERT_TRUE(WriteIni(settings, u"视频文件", u"动画播放程序", u"./stubborn.sh"));

    // Recorded video beside the program's own animation player, chosen by name like any backend.
    BackendTable more;
    more.media.push_back(
        {"recording video, real animation", nullptr,
         [](const BackendContext&) -> std::unique_ptr<MediaBackend> {
             struct Media : MediaBackend {
                 std::unique_ptr<MediaPlayer> makeMediaPlayer(VideoSurface*, const std::filesystem::path&) override
                 {
                     return std::make_unique<testing::RecordingMediaPlayer>();
                 }
                 std::unique_ptr<AnimationPlayer> makeAnimationPlayer(const std::filesystem::path& directory) override
                 {
                     return std::make_unique<ProcessAnimationPlayer>(directory);
                 }
             };
             return std::make_unique<Media>();
         },
         nullptr});
    testing::LiveSite rig(settings, "fake", std::move(more), {"recording video, real animation"});
    testing::FakeSerialLine& serial = rig.serial();
    // Loading found no port in the settings; the fake line is plugged in by hand.
    serial.setDevicePath("/dev/fake");
    ASSERT_TRUE(serial.open());
    rig.network();

    Form4& player = rig.player();
    int playStops = 0;
    player.setPlayStopAction([&] {
        ++playStops;
        rig.installation->playStop();
    });
    std::vector<Text> animationStates;
    player.Text3.onChange([&] { animationStates.push_back(player.Text3.text()); });

    testing::TickGaps poll(rig.console().Timer2);
    testing::TickGaps supervision(rig.network().TMRTCPC连接状态判断);
    testing::TickGaps playerPoll(player.Timer1);

    // A record every 40 ms, as a controller sends them.
    std::size_t recordsSent = 0;
    QTimer controller;
    QObject::connect(&controller, &QTimer::timeout, [&] {
        // Each record moves the pointer away from where the one before put it.
        serial.arrivals.push_back(fromUtf8(recordsSent % 2 ? testing::kRecordTo768 : testing::kRecordTo512));
        ++recordsSent;
    });
    // A new animation every 300 ms: each request finds the last program still running and the
    // one before it still inside its grace period.
    int requests = 0;
    double longestRequestMs = 0;
    QTimer operatorChoice;
    QObject::connect(&operatorChoice, &QTimer::timeout, [&] {
        const auto start = Clock::now();
        player.Text1.setText(requests % 2 == 0 ? u"a.swf" : u"b.swf");
        longestRequestMs = std::max(longestRequestMs, msBetween(start, Clock::now()));
        ++requests;
    });

    player.Text1.setText(u"first.swf");
    ASSERT_TRUE(testing::pumpUntil([&] { return player.Text3.text() == u"SWF播放"; }, 2s));
    poll.start();
    supervision.start();
    playerPoll.start();
    controller.start(40);
    operatorChoice.start(300);
    testing::pumpFor(4s);
    operatorChoice.stop();
    controller.stop();
    poll.stop();
    supervision.stop();
    playerPoll.stop();
    ASSERT_TRUE(testing::pumpUntil([&] { return serial.arrivals.empty(); }, 1s, testing::kLivePumpStep));

    std::printf("%d replacements, longest %.1f ms; longest gaps: serial poll %.1f ms (%ld ticks), supervision %.1f ms "
                "(%ld ticks), player poll %.1f ms (%ld ticks)\n",
                requests, longestRequestMs, poll.longestMs(), poll.ticks(), supervision.longestMs(),
                supervision.ticks(), playerPoll.longestMs(), playerPoll.ticks());
    EXPECT_GE(requests, 10);
    EXPECT_LT(longestRequestMs, 100.0) << "a request waited for the program it replaced";
    // A wait for a dying program would show as a gap of 500 ms or more.
    EXPECT_LT(poll.longestMs(), 200.0);
    EXPECT_GE(poll.ticks(), 60);
    EXPECT_LT(supervision.longestMs(), 1400.0) << "a 500 ms wait on top of the 1000 ms tick";
    EXPECT_GE(supervision.ticks(), 2);
    EXPECT_LT(playerPoll.longestMs(), 300.0);
    EXPECT_GE(playerPoll.ticks(), 20);
    // Every record was decoded and moved the pointer.
    EXPECT_EQ(rig.cursor().moves.size(), recordsSent);
    // The old programs' deaths are not the new ones' ends.
    EXPECT_EQ(animationStates, std::vector<Text>{u"SWF播放"});
    EXPECT_EQ(playStops, 0);

    // Every program but the last is killed and reaped from the event loop; the last one when the
    // player goes, as at the end of the program.
    const auto startedPrograms = [&] {
        std::vector<pid_t> pids;
        std::istringstream lines(testing::readBytes(dir / "pids"));
        for (long pid = 0; lines >> pid;) {
            pids.push_back(static_cast<pid_t>(pid));
        }
        return pids;
    };
    // The last one may not have written its process id yet.
    EXPECT_TRUE(testing::pumpUntil([&] { return startedPrograms().size() == static_cast<std::size_t>(requests) + 1; },
                                   3s, testing::kLivePumpStep));
    const std::vector<pid_t> pids = startedPrograms();
    ASSERT_FALSE(pids.empty());
    testing::pumpFor(700ms);
    const auto reaped = [](pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; };
    for (std::size_t i = 0; i + 1 < pids.size(); ++i) {
        EXPECT_TRUE(reaped(pids[i])) << "program " << i << " (" << pids[i] << ") is still there";
    }
    EXPECT_FALSE(reaped(pids.back()));
    player.Timer1.setEnabled(false);
    rig.installation.reset();
    EXPECT_TRUE(reaped(pids.back()));
}

} // namespace
} // namespace ride
