// SPDX-License-Identifier: GPL-3.0-or-later
// The animation hand-over with a real program: the player window polls whether it still runs,
// reports playing and then stopped, and a new request ends it together with what it started,
// without waiting for it: a program that ignores SIGTERM is killed from the event loop later.
#include "media/process/process_animation_player.h"
#include "player/form4.h"
#include "service/ui_priority.h"
#include "settings/profile_file.h"
#include "support/child_process.h"
#include "support/file_bytes.h"
#include "support/qt_event_pump.h"
#include "support/recording_media_player.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::readBytes;

// Ended, and reaped or about to be (a zombie no longer runs).
bool gone(pid_t pid)
{
    if (::kill(pid, 0) != 0) {
        return true;
    }
    const std::string stat = readBytes("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && stat.size() > close + 2 && stat[close + 2] == 'Z';
}

// Ended and reaped: not even a zombie is left.
bool reaped(pid_t pid)
{
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Ignores SIGTERM, and so does the child it starts (an ignored signal stays ignored across exec).
const char* const kStubbornBody = "trap '' TERM\nsleep 30 &\necho $! > child\nwhile :; do sleep 1; done";

class AnimationProcess : public ::testing::Test {
protected:
    AnimationProcess()
    {
        form.attachPlayers(media, animation);
        form.setPlayStopAction([this] { ++playStops; });
        form.Text3.onChange([this] { states.push_back(form.Text3.text()); });
    }

    // A program in the test's directory, reached through a relative path as an installer may
    // write it. It notes its arguments and its process id where it runs.
    void writeProgram(const std::string& name, const std::string& body)
    {
        const auto path = dir / name;
        std::ofstream(path) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > args\necho $$ > pid\n" << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    void configure(TextView command) { ASSERT_TRUE(WriteIni(dir / "配置.ini", u"视频文件", u"动画播放程序", command)); }

    // Ticks the 100 ms poll (faster: the test need not wait) while the event loop runs, until
    // `done` holds or five seconds pass.
    template <class Done>
    bool pollUntil(Done done)
    {
        return testing::pumpUntil(
            [&] {
                form.Timer1.tick();
                return done();
            },
            5s);
    }

    testing::TempDir dir;
    Form4 form{dir / "配置.ini"};
    testing::RecordingMediaPlayer media;
    ProcessAnimationPlayer animation{dir.path()};
    int playStops = 0;
    std::vector<Text> states;
};

TEST_F(AnimationProcess, PlayingWhileTheProgramRunsThenStoppedOnce)
{
    writeProgram("anim.sh", "sleep 0.3");
    configure(u"./anim.sh --loop");
    form.Text1.setText(u"my show.swf");
    ASSERT_TRUE(pollUntil([&] { return playStops > 0; })) << "the animation never ended";
    EXPECT_EQ(states, (std::vector<Text>{u"SWF播放", u"SWF停止"}));
    EXPECT_EQ(readBytes(dir / "args"), "--loop\nmy show.swf\n");

    for (int i = 0; i < 5; ++i) {
        form.Timer1.tick();
    }
    EXPECT_EQ(playStops, 1);
}

// The console's UI thread runs above normal priority where it may; the animation program it
// starts does not.
TEST_F(AnimationProcess, ProgramStartedByARaisedConsoleRunsAtNormalPriority)
{
    if (!raiseUiThreadPriority().raised) {
        GTEST_SKIP() << "this user may not raise priority";
    }
    writeProgram("anim.sh", "cut -d' ' -f19 /proc/$$/stat > nice");
    configure(u"./anim.sh");
    form.Text1.setText(u"show.swf");
    ASSERT_TRUE(pollUntil([&] { return playStops > 0; })) << "the animation never ended";
    EXPECT_EQ(readBytes(dir / "nice"), "0\n");
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 0);
}

TEST_F(AnimationProcess, ANewRequestEndsTheProgramAndWhatItStarted)
{
    writeProgram("anim.sh", "sleep 30 &\necho $! > child\nwait");
    configure(u"./anim.sh");
    form.Text1.setText(u"long.SWF");
    ASSERT_TRUE(pollUntil([&] { return std::filesystem::exists(dir / "child") && !readBytes(dir / "child").empty(); }));
    EXPECT_EQ(form.Text3.text(), u"SWF播放");
    const pid_t program = std::stoi(readBytes(dir / "pid"));
    const pid_t child = std::stoi(readBytes(dir / "child"));

    form.Text1.setText(u"red.mp4");
    EXPECT_FALSE(animation.playing());
    // It ends on SIGTERM, and the event loop reaps it.
    EXPECT_TRUE(testing::pumpUntil([&] { return reaped(program); }, 2s)) << "the program was not ended and reaped";
    EXPECT_TRUE(testing::waitUntil([&] { return gone(child); }, 2s)) << "the program's own child survived";
    // Our own stop is no end of an animation: no PlayStop.
    form.Timer1.tick();
    EXPECT_EQ(playStops, 0);
}

TEST_F(AnimationProcess, ReplacingAProgramThatIgnoresTermDoesNotWaitAndKillsItAfterTheGrace)
{
    writeProgram("stubborn.sh", kStubbornBody);
    writeProgram("next.sh", "sleep 30");
    configure(u"./stubborn.sh");
    form.Text1.setText(u"first.swf");
    ASSERT_TRUE(pollUntil([&] { return std::filesystem::exists(dir / "child") && !readBytes(dir / "child").empty(); }));
    const pid_t program = std::stoi(readBytes(dir / "pid"));
    const pid_t child = std::stoi(readBytes(dir / "child"));

    configure(u"./next.sh");
    const auto replaced = std::chrono::steady_clock::now();
    form.Text1.setText(u"second.swf");
    const double replaceMs = msSince(replaced);
    EXPECT_LT(replaceMs, 100.0) << "the request waited for the old program";
    EXPECT_TRUE(animation.playing()) << "the new program counts from its start";
    EXPECT_FALSE(gone(program)) << "the old program was killed without its grace period";

    // The poll goes on meanwhile, and the old program's end is not the new one's.
    double killedAfterMs = -1;
    while (msSince(replaced) < 1500) {
        form.Timer1.tick();
        ASSERT_EQ(form.Text3.text(), u"SWF播放");
        if (killedAfterMs < 0 && reaped(program)) {
            killedAfterMs = msSince(replaced);
        }
        testing::pumpFor(5ms);
    }
    EXPECT_EQ(playStops, 0);
    EXPECT_TRUE(animation.playing());
    ASSERT_GE(killedAfterMs, 0) << "the old program was never killed and reaped";
    EXPECT_GE(killedAfterMs, 450.0);
    EXPECT_LE(killedAfterMs, 1200.0);
    EXPECT_TRUE(testing::waitUntil([&] { return gone(child); }, 2s)) << "what it started survived";
}

TEST(AnimationProcessEnd, ThePlayerGoingAwayEndsItsProgramWithinTheGraceAndLeavesNoZombie)
{
    testing::TempDir dir;
    const auto run = [&](const std::string& body) {
        const auto path = dir / "anim.sh";
        std::ofstream(path) << "#!/bin/sh\necho $$ > pid\n" << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        std::filesystem::remove(dir / "pid");
        std::filesystem::remove(dir / "child");
        auto player = std::make_unique<ProcessAnimationPlayer>(dir.path());
        player->start(u"./anim.sh", u"x.swf");
        EXPECT_TRUE(testing::pumpUntil(
            [&] { return std::filesystem::exists(dir / "child") && !readBytes(dir / "child").empty(); }, 5s));
        const pid_t program = std::stoi(readBytes(dir / "pid"));
        const pid_t child = std::stoi(readBytes(dir / "child"));
        const auto start = std::chrono::steady_clock::now();
        player.reset();
        const double ms = msSince(start);
        // No event loop runs after the player: it reaps the program itself.
        EXPECT_TRUE(reaped(program)) << body;
        EXPECT_TRUE(testing::waitUntil([&] { return gone(child); }, 2s)) << body;
        return ms;
    };
    EXPECT_LT(run("sleep 30 &\necho $! > child\nwait"), 300.0) << "a program that ends on SIGTERM is not waited for";
    const double stubbornMs = run(kStubbornBody);
    EXPECT_GE(stubbornMs, 450.0) << "a program that ignores SIGTERM gets its grace period";
    EXPECT_LE(stubbornMs, 1500.0);
}

TEST_F(AnimationProcess, NoProgramConfiguredReportsStoppedAtOnce)
{
    form.Text1.setText(u"show.swf");
    EXPECT_FALSE(animation.playing());
    form.Timer1.tick();
    EXPECT_EQ(states, std::vector<Text>{u"SWF停止"});
    EXPECT_EQ(playStops, 1);
}

TEST_F(AnimationProcess, AProgramThatCannotStartCountsAsStopped)
{
    configure(u"./no-such-player");
    form.Text1.setText(u"show.swf");
    ASSERT_TRUE(pollUntil([&] { return playStops > 0; }));
    EXPECT_EQ(states.back(), u"SWF停止");
    EXPECT_FALSE(animation.playing());
}

} // namespace
} // namespace ride
