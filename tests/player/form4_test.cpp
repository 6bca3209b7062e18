// SPDX-License-Identifier: GPL-3.0-or-later
// Placement of the player window from the settings, its layout on every resize, and its timer.
#include "player/form4.h"
#include "settings/profile_file.h"
#include "support/fake_animation_player.h"
#include "support/recording_media_player.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace ride {
namespace {

class PlayerWindow : public ::testing::Test {
protected:
    // Writes these [视频1位置及大小] keys and values.
    void set(std::initializer_list<std::pair<TextView, TextView>> values)
    {
        for (const auto& [key, value] : values) {
            ASSERT_TRUE(WriteIni(dir / "配置.ini", u"视频1位置及大小", key, value));
        }
    }

    testing::TempDir dir;
    Form4 form{dir / "配置.ini"};
};

TEST_F(PlayerWindow, PlacedFromSettingsAndPlayerCoversIt)
{
    set({{u"视频1位置左", u"100"}, {u"视频1位置上", u"50"}, {u"视频1宽", u"800"}, {u"视频1高", u"600"}});
    form.load();
    EXPECT_EQ(form.window.geometry(), (TwipsRect{1500, 750, 12000, 9000}));
    EXPECT_EQ(form.playerRect, (TwipsRect{0, 0, 12000, 9000}));
    // The title keeps its size and is centred, halves not rounded.
    EXPECT_DOUBLE_EQ(form.labelRect.left, (12000 - 3915) / 2.0);
    EXPECT_DOUBLE_EQ(form.labelRect.top, (9000 - 435) / 2.0);
    EXPECT_EQ(form.labelRect.width, 3915);
    EXPECT_TRUE(form.window.visible());
    EXPECT_TRUE(form.playerVisible);
}

TEST_F(PlayerWindow, NegativeLeftAndTrailingLettersAreAccepted)
{
    set({{u"视频1位置左", u"-1920"}, {u"视频1宽", u"800x"}, {u"视频1高", u" 6 00 "}});
    form.load();
    EXPECT_EQ(form.window.geometry(), (TwipsRect{-28800, 0, 12000, 9000}));
}

// A number too large for a double, or so large that 15 times it is, counts as 0 like a missing one.
TEST_F(PlayerWindow, ValuesThatAreNotFiniteNumbersOfTwipsCountAsZero)
{
    set({{u"视频1位置左", u"1E400"}, {u"视频1位置上", u"-1E400"}, {u"视频1宽", u"1E308"}, {u"视频1高", u"600"}});
    form.load();
    EXPECT_EQ(form.window.geometry(), (TwipsRect{0, 0, 0, 9000}));
    EXPECT_EQ(form.playerRect, (TwipsRect{0, 0, 0, 9000}));
}

TEST_F(PlayerWindow, WithoutSettingsEverythingIsZero)
{
    form.load();
    EXPECT_EQ(form.window.geometry(), (TwipsRect{0, 0, 0, 0}));
    EXPECT_EQ(form.playerRect, (TwipsRect{0, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(form.labelRect.left, -3915 / 2.0);
}

TEST_F(PlayerWindow, AnyResizeStretchesThePlayerAndRecentresTheTitle)
{
    set({{u"视频1宽", u"800"}, {u"视频1高", u"600"}});
    form.load();
    int layouts = 0;
    form.layoutChanged.add([&] { ++layouts; });

    form.window.reportGeometry({300, 300, 6000, 4500}); // the operator or a window manager
    EXPECT_EQ(form.playerRect, (TwipsRect{0, 0, 6000, 4500}));
    EXPECT_DOUBLE_EQ(form.labelRect.left, (6000 - 3915) / 2.0);
    EXPECT_EQ(layouts, 1);

    form.window.setLeft(0); // a move alone is no resize
    EXPECT_EQ(layouts, 1);
}

TEST_F(PlayerWindow, LoadsOnceAndPlacesEachValueAsSoonAsRead)
{
    set({{u"视频1位置左", u"10"}, {u"视频1位置上", u"20"}, {u"视频1宽", u"30"}, {u"视频1高", u"40"}});
    std::vector<TwipsRect> seen;
    form.window.onViewUpdate([&] { seen.push_back(form.window.geometry()); });
    form.load();
    form.load();
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen[0], (TwipsRect{150, 0, 7905, 5925}));
    EXPECT_EQ(seen[1], (TwipsRect{150, 300, 7905, 5925}));
    EXPECT_EQ(seen[2], (TwipsRect{150, 300, 450, 5925}));
    EXPECT_EQ(seen[3], (TwipsRect{150, 300, 450, 600}));
    EXPECT_EQ(seen.size(), 5u); // and once more when it is shown; the second load does nothing
}

TEST_F(PlayerWindow, TheAnimationPollRunsEvery100MsFromCreationInEveryMode)
{
    testing::RecordingMediaPlayer media;
    testing::FakeAnimationPlayer animation;
    const auto expectPolling = [&](const char* when) {
        EXPECT_EQ(form.Timer1.name(), "Timer1") << when;
        EXPECT_EQ(form.Timer1.intervalMs(), 100) << when;
        EXPECT_TRUE(form.Timer1.enabled()) << when;
        EXPECT_FALSE(form.Timer1.dormant()) << when;
    };
    expectPolling("at creation");
    form.attachPlayers(media, animation);
    form.load();
    expectPolling("once loaded");
    form.Text1.setText(u"show.swf");
    expectPolling("in animation mode");
    form.Text1.setText(u"a.mp4");
    expectPolling("in media mode");
    media.raiseState(play_state::kMediaEnded);
    expectPolling("after the media ended");
}

} // namespace
} // namespace ride
