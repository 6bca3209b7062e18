// SPDX-License-Identifier: GPL-3.0-or-later
// The console's video choice: buttons and typed choices through the relay to the player's
// request box, the play-time count ticked one second at a time, and the linked/manual display.
#include "settings/profile_file.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace ride {
namespace {

const Text kPersonVideo = u"/videos/来人.mp4";
const Text kNobodyVideo = u"/videos/无人.mp4";

class VideoChoiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        set(u"视频0", kPersonVideo);
        set(u"视频1", kNobodyVideo);
        set(u"来人播放时间单位秒", u"60");
    }

    std::filesystem::path ini() const { return dir / "配置.ini"; }
    void set(TextView key, TextView value) { ASSERT_TRUE(WriteIni(ini(), u"视频文件", key, value)); }

    // Each change of Text4 is a request handed on to the player window.
    Form1& start()
    {
        site = std::make_unique<testing::TestSite>(testing::SiteOptions{.settingsFile = ini()});
        form = &site->console();
        form->Text4.onChange([this] { requests.push_back(form->Text4.text()); });
        return *form;
    }

    // Ticks the play-time count `n` times; returns how many ticks ran (a disabled timer skips).
    int tickCount(int n)
    {
        int ran = 0;
        for (int i = 0; i < n; ++i) {
            ran += form->Timer1.tick() ? 1 : 0;
        }
        return ran;
    }

    testing::TempDir dir;
    std::unique_ptr<testing::TestSite> site;
    Form1* form = nullptr;
    std::vector<Text> requests;
};

TEST_F(VideoChoiceTest, AtStartTheNobodyVideoFollowsOnTheSixtiethTick)
{
    Form1& f = start();
    EXPECT_EQ(f.label1(2).caption(), u"60");
    EXPECT_EQ(f.label1(3).caption(), u"1");
    EXPECT_TRUE(f.Timer1.enabled());

    EXPECT_EQ(tickCount(59), 59);
    EXPECT_EQ(f.label1(3).caption(), u"60");
    EXPECT_TRUE(requests.empty());

    tickCount(1);
    EXPECT_EQ(requests, std::vector<Text>{kNobodyVideo});
    EXPECT_EQ(f.Text7.text(), u"1");
    EXPECT_EQ(f.Text4.text(), kNobodyVideo);
    EXPECT_EQ(f.Text3.text(), u"");
    EXPECT_EQ(f.label1(3).caption(), u"0");
    EXPECT_FALSE(f.Timer1.enabled());
    EXPECT_EQ(tickCount(100), 0);
    EXPECT_EQ(requests.size(), 1u);
    // The request went on to the player window, which plays it.
    const std::vector<std::string>& played = site->media().player->calls;
    EXPECT_EQ(std::count(played.begin(), played.end(), "URL " + toUtf8(kNobodyVideo)), 1);
    EXPECT_EQ(site->player().Text2.text(), kNobodyVideo);
}

TEST_F(VideoChoiceTest, PersonPresentRunsPlayTimePlusOneTicks)
{
    Form1& f = start();
    tickCount(60); // the nobody video, count stopped
    requests.clear();

    f.Command2_0.click();
    EXPECT_EQ(requests, std::vector<Text>{kPersonVideo});
    EXPECT_EQ(f.Text7.text(), u"0");
    EXPECT_EQ(f.Text3.text(), u"");
    EXPECT_EQ(f.label1(3).caption(), u"0");
    EXPECT_TRUE(f.Timer1.enabled());

    tickCount(60);
    EXPECT_EQ(f.label1(3).caption(), u"60");
    EXPECT_EQ(requests.size(), 1u);
    tickCount(1);
    EXPECT_EQ(requests, (std::vector<Text>{kPersonVideo, kNobodyVideo}));
    EXPECT_FALSE(f.Timer1.enabled());
}

TEST_F(VideoChoiceTest, ASecondClickRestartsTheCountWithoutASecondRequest)
{
    Form1& f = start();
    f.Command2_0.click();
    tickCount(30);
    EXPECT_EQ(f.label1(3).caption(), u"30");

    f.Command2_0.click();
    EXPECT_EQ(f.label1(3).caption(), u"0");
    // Text4 already holds the file: no change, so nothing reaches the player.
    EXPECT_EQ(requests, std::vector<Text>{kPersonVideo});

    tickCount(60);
    EXPECT_EQ(requests.size(), 1u);
    tickCount(1);
    EXPECT_EQ(requests.back(), kNobodyVideo);
}

TEST_F(VideoChoiceTest, TheSameFileReachesThePlayerAgainOnlyAfterPlayStop)
{
    Form1& f = start();
    f.Command2_1.click();
    f.Command2_1.click();
    EXPECT_EQ(requests, std::vector<Text>{kNobodyVideo});

    site->player().PlayStop();
    EXPECT_EQ(requests, (std::vector<Text>{kNobodyVideo, u""}));
    f.Command2_1.click();
    EXPECT_EQ(requests, (std::vector<Text>{kNobodyVideo, u"", kNobodyVideo}));
}

TEST_F(VideoChoiceTest, AMissingKeyHandsTheEmptyNameOn)
{
    ASSERT_TRUE(WriteIni(ini(), u"视频文件", u"视频1", u""));
    Form1& f = start();
    f.Command2_0.click();
    tickCount(61);
    EXPECT_EQ(requests, (std::vector<Text>{kPersonVideo, u""}));
    EXPECT_EQ(f.Text7.text(), u"1");
    EXPECT_FALSE(f.Timer1.enabled());

    // Already empty: nothing changes, nothing is handed on.
    f.Command2_1.click();
    EXPECT_EQ(requests.size(), 2u);
}

TEST_F(VideoChoiceTest, TypedChoicesPickTheirKeyAndLeaveTheCountAlone)
{
    set(u"视频2", u"/videos/green.mp4");
    Form1& f = start();
    tickCount(5);
    f.Text3.setText(u"2");
    EXPECT_EQ(requests, std::vector<Text>{u"/videos/green.mp4"});
    EXPECT_EQ(f.Text7.text(), u"2");
    EXPECT_EQ(f.Text3.text(), u"");
    EXPECT_EQ(f.label1(3).caption(), u"6");
    EXPECT_TRUE(f.Timer1.enabled());

    // Each keystroke is a choice of its own: "0" then "1" as typed into the box.
    f.Text3.setText(u"0");
    f.Text3.setText(u"1");
    EXPECT_EQ(requests, (std::vector<Text>{u"/videos/green.mp4", kPersonVideo, kNobodyVideo}));
    EXPECT_FALSE(f.Timer1.enabled());

    // An unknown key while the count is stopped keeps it stopped.
    f.Text3.setText(u"x");
    EXPECT_EQ(requests.back(), u"");
    EXPECT_FALSE(f.Timer1.enabled());
    EXPECT_EQ(f.label1(3).caption(), u"0");
}

// Shown as read, but counted as 0: also a number too large for a double ("1E400").
TEST_F(VideoChoiceTest, APlayTimeThatIsNoFiniteNumberSwitchesOnTheFirstTick)
{
    for (const Text& playTime : {Text(u""), Text(u"abc"), Text(u"1E400"), Text(u"-1E400")}) {
        set(u"来人播放时间单位秒", playTime);
        requests.clear();
        Form1& f = start();
        EXPECT_EQ(f.label1(2).caption(), playTime);
        tickCount(1);
        EXPECT_EQ(requests, std::vector<Text>{kNobodyVideo}) << toUtf8(playTime);
    }
}

TEST_F(VideoChoiceTest, AFractionalPlayTimeIsComparedAsANumber)
{
    set(u"来人播放时间单位秒", u"2.5");
    Form1& f = start();
    f.Command2_0.click();
    tickCount(2);
    EXPECT_EQ(requests.size(), 1u);
    tickCount(1); // 2.5 < 3
    EXPECT_EQ(requests.back(), kNobodyVideo);
}

TEST_F(VideoChoiceTest, StateDisplayShowsManualForTenTicksAfterARestart)
{
    Form1& f = start();
    EXPECT_EQ(f.lbl联动状态手动状态.caption(), u"联动状态");
    for (int round = 0; round < 2; ++round) {
        for (int i = 1; i <= 10; ++i) {
            ASSERT_TRUE(f.TMR判断是否是人操作的.tick());
            EXPECT_EQ(f.lbl联动状态手动状态.caption(), u"手动调试") << "tick " << i;
            EXPECT_EQ(f.lbl联动计时.caption(), fromUtf8(std::to_string(i)));
        }
        f.TMR判断是否是人操作的.tick();
        EXPECT_EQ(f.lbl联动状态手动状态.caption(), u"联动状态");
        f.TMR判断是否是人操作的.tick();
        EXPECT_EQ(f.lbl联动计时.caption(), u"10");
        EXPECT_EQ(f.lbl联动状态手动状态.caption(), u"联动状态");

        f.lbl联动计时.setCaption(u"0"); // the motion step moved the pointer sideways
    }
    // Nothing the display does chooses a video.
    EXPECT_TRUE(requests.empty());
}

} // namespace
} // namespace ride
