// The animation hand-over with a real program: the player window polls whether it still runs,
// reports playing and then stopped, and a new request ends it together with what it started.
#include "media/process/process_animation_player.h"
#include "player/form4.h"
#include "settings/profile_file.h"
#include "support/child_process.h"
#include "support/file_bytes.h"
#include "support/qt_event_pump.h"
#include "support/recording_media_player.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

#include <csignal>
#include <sys/stat.h>

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

class AnimationProcess : public ::testing::Test {
protected:
    AnimationProcess()
    {
        form.attachPlayers(media, animation);
        form.setPlayStopAction([this] { ++playStops; });
        form.Text3.onChange([this] { states.push_back(form.Text3.text()); });
    }

    // A program in the test's directory, reached through a relative path as an installer may
    // write it. It notes its arguments and its process ids where it runs.
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
    EXPECT_TRUE(gone(program));
    EXPECT_TRUE(testing::waitUntil([&] { return gone(child); }, 2s)) << "the program's own child survived";
    // Our own stop is no end of an animation: no PlayStop.
    form.Timer1.tick();
    EXPECT_EQ(playStops, 0);
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
