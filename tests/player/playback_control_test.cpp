// SPDX-License-Identifier: GPL-3.0-or-later
// The player window's playback logic against a recording media player and a fake animation
// player: the order of the steps, how the ending of a request is read, PlayStop from the media
// end and from the animation poll.
#include "player/form4.h"
#include "settings/profile_file.h"
#include "support/fake_animation_player.h"
#include "support/recording_media_player.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace ride {
namespace {

using Calls = std::vector<std::string>;

class PlaybackControlTest : public ::testing::Test {
protected:
    PlaybackControlTest()
    {
        EXPECT_TRUE(WriteIni(dir / "配置.ini", u"视频1位置及大小", u"视频1宽", u"800"));
        EXPECT_TRUE(WriteIni(dir / "配置.ini", u"视频1位置及大小", u"视频1高", u"600"));
        form.load();
        form.attachPlayers(media, animation);
        form.setPlayStopAction([this] { ++playStops; });
        // The window's own part of the steps goes into the same log as the player's.
        form.layoutChanged.add([this] {
            if (form.playerRect.left != left) {
                left = form.playerRect.left;
                media.calls.push_back("left " + std::to_string(static_cast<long>(left)));
            }
            if (form.playerVisible != visible) {
                visible = form.playerVisible;
                media.calls.push_back(std::string("visible ") + (visible ? "on" : "off"));
            }
        });
        media.calls.clear();
    }

    void configureAnimationProgram(TextView command)
    {
        ASSERT_TRUE(WriteIni(dir / "配置.ini", u"视频文件", u"动画播放程序", command));
    }

    testing::TempDir dir;
    Form4 form{dir / "配置.ini"};
    testing::RecordingMediaPlayer media;
    testing::FakeAnimationPlayer animation;
    int playStops = 0;
    double left = 0;
    bool visible = true;
};

Calls mediaSteps(const std::string& url)
{
    return {"uiMode none", "volume 100", "URL " + url, "play", "fullScreen off", "playCount 65535", "stretchToFit on"};
}

TEST(PlaybackControlCreation, TheMediaPlayerStartsWithTheWindowsSettings)
{
    testing::TempDir dir;
    Form4 form(dir / "配置.ini");
    testing::RecordingMediaPlayer media;
    testing::FakeAnimationPlayer animation;
    form.attachPlayers(media, animation);
    EXPECT_EQ(media.calls, (Calls{"uiMode full", "volume 50", "playCount 1", "stretchToFit off", "fullScreen off"}));
    EXPECT_EQ(form.currentExtension(), u"");
    // A second attach would leave two controls listening: it is refused.
    form.attachPlayers(media, animation);
    EXPECT_EQ(media.calls.size(), 5u);
}

TEST(PlaybackControlCreation, TheControlPanelIsShownUntilAMediaRequestSwitchesItOff)
{
    testing::TempDir dir;
    ASSERT_TRUE(WriteIni(dir / "配置.ini", u"视频文件", u"动画播放程序", u"swfplayer"));
    Form4 form(dir / "配置.ini");
    testing::RecordingMediaPlayer media;
    testing::FakeAnimationPlayer animation;
    const auto modes = [&] {
        Calls out;
        std::copy_if(media.calls.begin(), media.calls.end(), std::back_inserter(out),
                     [](const std::string& call) { return call.rfind("uiMode ", 0) == 0; });
        return out;
    };
    form.attachPlayers(media, animation);
    form.load();
    EXPECT_EQ(modes(), Calls{"uiMode full"});
    // An animation puts the media player aside as it is; neither its end nor a blank request
    // touches the panel.
    form.Text1.setText(u"show.swf");
    form.Text1.setText(u"  ");
    media.raiseState(play_state::kStopped);
    EXPECT_EQ(modes(), Calls{"uiMode full"});
    // The first media switches it off, before the media is handed over, and nothing brings it back.
    form.Text1.setText(u"a.mp4");
    ASSERT_EQ(modes(), (Calls{"uiMode full", "uiMode none"}));
    EXPECT_LT(std::find(media.calls.begin(), media.calls.end(), "uiMode none"),
              std::find(media.calls.begin(), media.calls.end(), "URL a.mp4"));
    media.raiseState(play_state::kMediaEnded);
    form.Text1.setText(u"show.swf");
    form.Text1.setText(u"b.mp4");
    EXPECT_EQ(modes(), (Calls{"uiMode full", "uiMode none", "uiMode none"}));
}

TEST_F(PlaybackControlTest, MediaRequestRunsTheNineStepsInOrder)
{
    // Put the player aside first, so that its left edge and visibility have to come back.
    form.Text1.setText(u"intro.swf");
    media.calls.clear();

    form.Text1.setText(u"/v/red.mp4");
    Calls expected = mediaSteps("/v/red.mp4");
    expected.insert(expected.begin(), "left 0");
    expected.push_back("visible on");
    EXPECT_EQ(media.calls, expected);
    EXPECT_EQ(form.Text2.text(), u"/v/red.mp4");
    EXPECT_EQ(form.Text1.text(), u"");
    EXPECT_EQ(form.currentExtension(), u".MP4");
    EXPECT_EQ(playStops, 0);
}

TEST_F(PlaybackControlTest, AnimationRequestClearsTheStageInAnyLetterCase)
{
    configureAnimationProgram(u"swfplayer --fullscreen");
    for (const Text& name : {Text(u"a.swf"), Text(u"b.SWF"), Text(u"c.sWf")}) {
        form.Text1.setText(u"back.mp4"); // the player back on stage first
        media.calls.clear();
        animation.calls.clear();
        form.Text1.setText(name);
        EXPECT_EQ(form.currentExtension(), u".SWF");
        EXPECT_EQ(form.Text2.text(), name);
        EXPECT_EQ(form.Text1.text(), u"");
        // The player is put just beyond the window's right edge: 800 pixels in twips.
        EXPECT_EQ(media.calls, (Calls{"stop", "visible off", "left 12000"})) << toUtf8(name);
        EXPECT_EQ(animation.calls, (Calls{"stop", "start swfplayer --fullscreen " + toUtf8(name)}));
    }
    // A resize lays the player out over the window again, still hidden.
    form.window.reportGeometry({0, 0, 6000, 4500});
    EXPECT_EQ(form.playerRect, (TwipsRect{0, 0, 6000, 4500}));
    EXPECT_FALSE(form.playerVisible);
}

TEST_F(PlaybackControlTest, TheEndingIsTakenBeforeTrimmingAndShortNamesAreMedia)
{
    struct Case {
        Text request;
        Text extension;
    };
    const Case cases[] = {
        {u"clip.SWF ", u"SWF "}, // the trailing blank makes it media
        {u" x.mp4 ", u"MP4 "},   {u"SWF", u"SWF "},      {u"a.b", u"A.B "},
        {u"x", u"X   "},         {u"影片.swf", u".SWF"}, // only the ending counts, whatever comes before it
    };
    for (const Case& c : cases) {
        media.calls.clear();
        form.Text1.setText(c.request);
        EXPECT_EQ(form.currentExtension(), c.extension) << toUtf8(c.request);
        EXPECT_EQ(form.Text2.text(), c.request);
        if (c.extension != u".SWF") {
            // The location is the request as it came, blanks and all.
            EXPECT_NE(std::find(media.calls.begin(), media.calls.end(), "URL " + toUtf8(c.request)), media.calls.end())
                << toUtf8(c.request);
        } else {
            EXPECT_EQ(media.calls.front(), "stop");
        }
    }
}

TEST_F(PlaybackControlTest, BlankRequestsChangeNothing)
{
    form.Text1.setText(u"a.mp4");
    media.calls.clear();
    animation.calls.clear();
    form.Text1.setText(u"   ");
    EXPECT_TRUE(media.calls.empty());
    EXPECT_TRUE(animation.calls.empty());
    EXPECT_EQ(form.Text2.text(), u"a.mp4");
    EXPECT_EQ(form.currentExtension(), u".MP4");
    // Not emptied either: only a real request is.
    EXPECT_EQ(form.Text1.text(), u"   ");
}

TEST_F(PlaybackControlTest, TheSameFileTwiceThroughText1PlaysTwice)
{
    form.Text1.setText(u"red.mp4");
    form.Text1.setText(u"red.mp4");
    Calls expected = mediaSteps("red.mp4");
    const Calls again = mediaSteps("red.mp4");
    expected.insert(expected.end(), again.begin(), again.end());
    EXPECT_EQ(media.calls, expected);
}

TEST_F(PlaybackControlTest, OnlyTheMediaEndedStateCallsPlayStop)
{
    form.Text1.setText(u"red.mp4");
    media.raiseState(play_state::kPlaying);
    media.raiseState(play_state::kStopped);
    EXPECT_EQ(playStops, 0);
    media.raiseState(play_state::kMediaEnded);
    EXPECT_EQ(playStops, 1);
    // The player is left as it was: visible, nothing stopped.
    EXPECT_TRUE(form.playerVisible);
    EXPECT_EQ(std::count(media.calls.begin(), media.calls.end(), "stop"), 0);
}

TEST_F(PlaybackControlTest, TheAnimationPollReportsPlayingThenStoppedOnce)
{
    configureAnimationProgram(u"swfplayer");
    EXPECT_TRUE(form.Timer1.tick()); // no animation asked for: nothing to report
    EXPECT_EQ(form.Text3.text(), u"Text3");

    form.Text1.setText(u"show.swf");
    ASSERT_TRUE(animation.running);
    form.Timer1.tick();
    EXPECT_EQ(form.Text3.text(), u"SWF播放");
    EXPECT_EQ(playStops, 0);

    animation.running = false; // the animation program ended
    form.Timer1.tick();
    EXPECT_EQ(form.Text3.text(), u"SWF停止");
    EXPECT_EQ(playStops, 1);
    form.Timer1.tick();
    form.Timer1.tick();
    EXPECT_EQ(playStops, 1);

    // The next animation goes through playing again, so its end counts again.
    form.Text1.setText(u"show.swf");
    form.Timer1.tick();
    animation.running = false;
    form.Timer1.tick();
    EXPECT_EQ(playStops, 2);
}

TEST_F(PlaybackControlTest, WithoutAnAnimationProgramPlayStopFollowsAtOnce)
{
    form.Text1.setText(u"show.swf");
    EXPECT_EQ(animation.calls, (Calls{"stop", "start  show.swf"}));
    form.Timer1.tick();
    EXPECT_EQ(form.Text3.text(), u"SWF停止");
    EXPECT_EQ(playStops, 1);
}

TEST_F(PlaybackControlTest, AnyNewRequestEndsARunningAnimation)
{
    configureAnimationProgram(u"swfplayer");
    form.Text1.setText(u"show.swf");
    form.Timer1.tick();
    ASSERT_EQ(form.Text3.text(), u"SWF播放");

    form.Text1.setText(u"red.mp4");
    EXPECT_FALSE(animation.running);
    EXPECT_EQ(animation.calls.back(), "stop");
    // Media mode: the poll is inactive, so the stop of our own making calls no PlayStop.
    form.Timer1.tick();
    EXPECT_EQ(form.Text3.text(), u"SWF播放");
    EXPECT_EQ(playStops, 0);
}

TEST_F(PlaybackControlTest, Text3SaysStoppedOnlyOnAChangeToExactlyThatText)
{
    form.Text3.setText(u"SWF播放");
    form.Text3.setText(u"SWF停止 ");
    EXPECT_EQ(playStops, 0);
    form.Text3.setText(u"SWF停止");
    EXPECT_EQ(playStops, 1);
    form.Text3.setText(u"SWF停止");
    EXPECT_EQ(playStops, 1);
}

} // namespace
} // namespace ride
