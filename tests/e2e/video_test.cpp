// SPDX-License-Identifier: GPL-3.0-or-later
// The videos of the real executable on a virtual X server, watched through the colour at the
// centre of the player window: the play-time count, the operator's buttons, repetition past a
// clip's end, files that cannot be played, and the animation hand-over.
#include "e2e/console_suite.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include <X11/Xutil.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::readBytes;

// The operator's two buttons, by caption.
const std::string kPersonButton = "来人播放视频";
const std::string kNobodyButton = "无人播放视频";
// The player window, clear of the console (822 x 358 at the top left).
constexpr int kPlayerLeft = 400;
constexpr int kPlayerTop = 420;
constexpr int kPlayerWidth = 320;
constexpr int kPlayerHeight = 240;
constexpr auto kWait = 5s;

enum class Colour { Red, Blue, Other };

std::ostream& operator<<(std::ostream& out, Colour c)
{
    return out << (c == Colour::Red ? "red" : c == Colour::Blue ? "blue" : "other");
}

class Video : public testing::ConsoleSuite<::testing::Test, true> {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ConsoleSuite::SetUp());
        // One-second clips: anything shown longer than that has been repeated.
        app->makeClip("red.mp4", "red");
        app->makeClip("blue.mp4", "blue");
        app->placePlayer(kPlayerLeft, kPlayerTop, kPlayerWidth, kPlayerHeight);
        // Names relative to the program's directory, as an installer writes them.
        app->set(u"视频文件", u"视频0", u"red.mp4");
        app->set(u"视频文件", u"视频1", u"blue.mp4");
    }

    void start()
    {
        ASSERT_TRUE(app->startShown(10s)) << "no console window";
        ASSERT_TRUE(app->findWindow("^Form4$", true, 10s)) << "no player window";
    }

    void press(const std::string& caption) { ASSERT_TRUE(app->pressButton(caption)) << "no button " << caption; }

    static Colour centre()
    {
        XImage* image = XGetImage(x, DefaultRootWindow(x), kPlayerLeft + kPlayerWidth / 2,
                                  kPlayerTop + kPlayerHeight / 2, 1, 1, AllPlanes, ZPixmap);
        if (!image) {
            return Colour::Other;
        }
        const unsigned long pixel = XGetPixel(image, 0, 0);
        const unsigned long r = (pixel & image->red_mask) >> 16;
        const unsigned long g = (pixel & image->green_mask) >> 8;
        const unsigned long b = pixel & image->blue_mask;
        XDestroyImage(image);
        if (r > 180 && g < 80 && b < 80) {
            return Colour::Red;
        }
        if (b > 180 && r < 80 && g < 80) {
            return Colour::Blue;
        }
        return Colour::Other;
    }

    static bool centreBecomes(Colour colour, std::chrono::milliseconds timeout = kWait)
    {
        return testing::waitUntil([&] { return centre() == colour; }, timeout);
    }

    // The centre keeps `colour` at every look for `span`.
    static bool centreStays(Colour colour, std::chrono::milliseconds span)
    {
        return !testing::waitUntil([&] { return centre() != colour; }, span);
    }

    // Pixels of the player window brighter than black.
    static int litPixels()
    {
        XImage* image = XGetImage(x, DefaultRootWindow(x), kPlayerLeft, kPlayerTop, kPlayerWidth, kPlayerHeight,
                                  AllPlanes, ZPixmap);
        if (!image) {
            return 0;
        }
        int lit = 0;
        for (int row = 0; row < kPlayerHeight; ++row) {
            for (int column = 0; column < kPlayerWidth; ++column) {
                const unsigned long pixel = XGetPixel(image, column, row);
                const unsigned long brightness =
                    ((pixel & image->red_mask) >> 16) + ((pixel & image->green_mask) >> 8) + (pixel & image->blue_mask);
                if (brightness > 60) {
                    ++lit;
                }
            }
        }
        XDestroyImage(image);
        return lit;
    }
};

TEST_F(Video, PlayTimeThenButtonsSwitchTheVideosAndEachOneRepeats)
{
    app->set(u"视频文件", u"来人播放时间单位秒", u"3");
    start();
    ASSERT_TRUE(centreBecomes(Colour::Blue)) << "the nobody video never came";
    EXPECT_TRUE(centreStays(Colour::Blue, 1500ms)) << "the nobody video did not repeat";

    press(kPersonButton);
    ASSERT_TRUE(centreBecomes(Colour::Red)) << "\"来人播放视频\" did not bring the person video, centre " << centre();
    EXPECT_TRUE(centreStays(Colour::Red, 1500ms)) << "the person video did not repeat";
    // Four ticks after the choice the count falls back to the nobody video by itself.
    EXPECT_TRUE(centreBecomes(Colour::Blue)) << "no fall-back after the play time";

    press(kPersonButton);
    ASSERT_TRUE(centreBecomes(Colour::Red));
    press(kNobodyButton);
    EXPECT_TRUE(centreBecomes(Colour::Blue)) << "\"无人播放视频\" did not bring the nobody video";
    EXPECT_TRUE(app->process().running());
}

// Before the first choice the player window shows its control panel, the video core's idle
// screen (a logo over a line of text), from half a second after start-up, whether or not the
// settings name a video.
TEST_F(Video, ControlPanelShowsFromCreationWhateverTheSettingsName)
{
    app->set(u"视频文件", u"来人播放时间单位秒", u"600");
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "videos named" : "no video named");
        app->set(u"视频文件", u"视频0", named ? u"red.mp4" : u"");
        app->set(u"视频文件", u"视频1", named ? u"blue.mp4" : u"");
        start();
        EXPECT_TRUE(testing::waitUntil([] { return litPixels() > 500; }, kWait))
            << "the player window stayed black: " << litPixels() << " pixels lit";
        app->process().stop();
        ASSERT_TRUE(testing::waitUntil([&] { return !app->findWindow("^Form4$", false, 0ms); }, kWait));
    }
}

TEST_F(Video, MissingAndBrokenFilesLeaveTheVideoOnScreen)
{
    app->set(u"视频文件", u"来人播放时间单位秒", u"600");
    app->set(u"视频文件", u"视频0", u"no-such-clip.mp4");
    {
        std::ofstream broken(app->directory() / "broken.mp4", std::ios::binary);
        for (int i = 0; i < 50000; ++i) {
            broken.put(static_cast<char>((i * 7919 + 13) % 251));
        }
    }
    start();
    press(kNobodyButton);
    ASSERT_TRUE(centreBecomes(Colour::Blue));

    press(kPersonButton);
    EXPECT_TRUE(centreStays(Colour::Blue, 2s)) << "a missing file took the video away";

    // Every choice reads the settings anew: the next one names a file that is no video.
    app->set(u"视频文件", u"视频0", u"broken.mp4");
    press(kPersonButton);
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(centreBecomes(Colour::Blue)) << "a broken file took the video away";
    EXPECT_TRUE(centreStays(Colour::Blue, 1s));

    EXPECT_TRUE(app->process().running());
    EXPECT_TRUE(app->findWindow("^Form4$", true, 1s));
    const std::string log = readBytes(app->logFile());
    EXPECT_NE(log.find("\"no-such-clip.mp4\" not found"), std::string::npos) << log;
    EXPECT_NE(log.find("broken.mp4\": "), std::string::npos) << log;
}

TEST_F(Video, AnAnimationTakesTheStageAndItsEndLetsItBeChosenAgain)
{
    app->set(u"视频文件", u"来人播放时间单位秒", u"600");
    app->set(u"视频文件", u"视频0", u"show.SWF");
    const auto program = app->directory() / "swf-player";
    std::ofstream(program) << "#!/bin/sh\necho \"$1\" >> runs\nsleep 0.5\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    app->set(u"视频文件", u"动画播放程序", u"./swf-player");
    start();
    press(kNobodyButton);
    ASSERT_TRUE(centreBecomes(Colour::Blue));

    press(kPersonButton);
    ASSERT_TRUE(testing::waitUntil([&] { return readBytes(app->directory() / "runs") == "show.SWF\n"; }, kWait));
    // The media player is stopped and out of the way.
    EXPECT_TRUE(centreBecomes(Colour::Other));

    // The end of the animation empties the console's choice, so the same one counts again.
    std::this_thread::sleep_for(1s);
    press(kPersonButton);
    EXPECT_TRUE(
        testing::waitUntil([&] { return readBytes(app->directory() / "runs") == "show.SWF\nshow.SWF\n"; }, kWait))
        << readBytes(app->directory() / "runs");

    press(kNobodyButton);
    EXPECT_TRUE(centreBecomes(Colour::Blue)) << "the player did not come back after the animation";
}

} // namespace
} // namespace ride
