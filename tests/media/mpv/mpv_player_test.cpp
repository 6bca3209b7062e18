// SPDX-License-Identifier: GPL-3.0-or-later
// The libmpv media player in a native window on a private Xvfb, with short clips made by ffmpeg:
// which play states it reports and when, what it does with files it cannot play, and what its
// user-interface modes put on the screen.
#include "media/mpv/mpv_player.h"
#include "support/child_process.h"
#include "support/qt_event_pump.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <fstream>
#include <utility>

namespace ride {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Each clip lasts this long.
constexpr auto kClipLength = 400ms;
// How long a test waits for a state the player is to report.
constexpr auto kWait = 5s;

testing::TempDir* clips = nullptr;
testing::XvfbServer* xvfb = nullptr;

void makeClip(const std::string& name, const std::string& colour)
{
    int status = -1;
    testing::runAndCapture({"ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                            "color=c=" + colour + ":s=160x120:r=25:d=0.4", "-pix_fmt", "yuv420p",
                            (*clips / name).string()},
                           &status);
    ASSERT_EQ(status, 0) << "ffmpeg could not make " << name;
}

// A plain native widget as the player's video surface.
struct WidgetSurface : VideoSurface {
    explicit WidgetSurface(QWidget& w) : widget(w) {}
    std::int64_t nativeWindow() override { return static_cast<std::int64_t>(widget.winId()); }
    QWidget& widget;
};

class MpvPlayerTest : public ::testing::Test {
protected:
    // One player for the suite, as the program has one for its life: the core probes its video
    // output once.
    static void SetUpTestSuite()
    {
        surface = new QWidget;
        surface->setAttribute(Qt::WA_NativeWindow);
        surface->setGeometry(0, 0, 320, 240);
        surface->show();
        clips = new testing::TempDir;
        makeClip("red.mp4", "red");
        makeClip("blue.mp4", "blue");
        std::ofstream broken(*clips / "broken.mp4", std::ios::binary);
        for (int i = 0; i < 20000; ++i) {
            broken.put(static_cast<char>((i * 7919 + 13) % 251));
        }
    }
    static void TearDownTestSuite()
    {
        delete std::exchange(player, nullptr);
        delete std::exchange(surface, nullptr);
        delete std::exchange(clips, nullptr);
    }

    void SetUp() override
    {
        if (!player) {
            static WidgetSurface video(*surface);
            player = new MpvPlayer(video, clips->path());
        }
        player->onPlayStateChange([this](std::int32_t state) { states.push_back({state, Clock::now()}); });
        // Whatever the last test left playing ends here, out of this test's record.
        player->stop();
        player->setPlayCount(1);
        testing::pumpFor(300ms);
        states.clear();
    }
    void TearDown() override { player->onPlayStateChange({}); }

    Text clip(const char* name) const { return fromUtf8((*clips / name).string()); }

    void playForever(const Text& url)
    {
        player->setUrl(url);
        player->play();
        player->setPlayCount(kPlayCountForever);
    }

    bool saw(std::int32_t state) const
    {
        return std::any_of(states.begin(), states.end(), [&](const auto& s) { return s.first == state; });
    }
    std::vector<std::int32_t> stateNumbers() const
    {
        std::vector<std::int32_t> out;
        for (const auto& s : states) {
            out.push_back(s.first);
        }
        return out;
    }

    static inline QWidget* surface = nullptr;
    static inline MpvPlayer* player = nullptr;
    std::vector<std::pair<std::int32_t, Clock::time_point>> states;
};

TEST_F(MpvPlayerTest, AFiniteCountEndsOnceAfterItsLastRepetition)
{
    ASSERT_TRUE(player->available());
    const auto start = Clock::now();
    // The count is set after play, as the player window does; it applies to the media playing.
    player->setUrl(clip("red.mp4"));
    player->play();
    player->setPlayCount(3);
    ASSERT_TRUE(testing::pumpUntil([&] { return saw(play_state::kMediaEnded); }, kWait)) << "the media never ended";
    testing::pumpFor(200ms);
    EXPECT_EQ(stateNumbers(),
              (std::vector<std::int32_t>{play_state::kPlaying, play_state::kMediaEnded, play_state::kStopped}));
    // Three plays cannot be over before two and a half clip lengths: no end after the first.
    EXPECT_GE(states[1].second - start, kClipLength * 5 / 2);
}

TEST_F(MpvPlayerTest, PlayCountForeverNeverEnds)
{
    playForever(clip("blue.mp4"));
    ASSERT_TRUE(testing::pumpUntil([&] { return saw(play_state::kPlaying); }, kWait));
    testing::pumpFor(kClipLength * 4);
    EXPECT_EQ(stateNumbers(), std::vector<std::int32_t>{play_state::kPlaying});
}

TEST_F(MpvPlayerTest, StopReportsStoppedAndNoEnd)
{
    playForever(clip("blue.mp4"));
    ASSERT_TRUE(testing::pumpUntil([&] { return saw(play_state::kPlaying); }, kWait));
    player->stop();
    ASSERT_TRUE(testing::pumpUntil([&] { return saw(play_state::kStopped); }, kWait));
    testing::pumpFor(kClipLength);
    EXPECT_EQ(stateNumbers(), (std::vector<std::int32_t>{play_state::kPlaying, play_state::kStopped}));
}

TEST_F(MpvPlayerTest, MediaReplacedBeforeItsEndDoesNotEnd)
{
    player->setUrl(clip("red.mp4")); // plays once
    player->play();
    ASSERT_TRUE(testing::pumpUntil([&] { return saw(play_state::kPlaying); }, kWait));
    playForever(clip("blue.mp4"));
    testing::pumpFor(kClipLength * 3);
    EXPECT_FALSE(saw(play_state::kMediaEnded));
    EXPECT_FALSE(saw(play_state::kStopped));
}

TEST_F(MpvPlayerTest, RelativeNamesAreTakenFromTheMediaDirectory)
{
    playForever(u"red.mp4");
    EXPECT_TRUE(testing::pumpUntil([&] { return saw(play_state::kPlaying); }, kWait));
}

TEST_F(MpvPlayerTest, AMissingFileLeavesWhatIsPlaying)
{
    playForever(clip("blue.mp4"));
    ASSERT_TRUE(testing::pumpUntil([&] { return saw(play_state::kPlaying); }, kWait));
    playForever(u"no-such-clip.mp4");
    testing::pumpFor(kClipLength * 3);
    EXPECT_EQ(stateNumbers(), std::vector<std::int32_t>{play_state::kPlaying});
}

TEST_F(MpvPlayerTest, AMissingFileWithNothingPlayingRaisesNothing)
{
    playForever(u"/nonexistent/clip.mp4");
    testing::pumpFor(kClipLength * 2);
    EXPECT_TRUE(states.empty());
}

TEST_F(MpvPlayerTest, ABrokenFileFallsBackToWhatWasOnScreen)
{
    playForever(clip("blue.mp4"));
    ASSERT_TRUE(testing::pumpUntil([&] { return saw(play_state::kPlaying); }, kWait));
    playForever(clip("broken.mp4"));
    ASSERT_TRUE(testing::pumpUntil([&] { return states.size() >= 3; }, kWait)) << "no fall-back";
    testing::pumpFor(kClipLength * 3);
    // The broken file stops, the last good one plays again and goes on repeating.
    EXPECT_EQ(stateNumbers(),
              (std::vector<std::int32_t>{play_state::kPlaying, play_state::kStopped, play_state::kPlaying}));
}

TEST_F(MpvPlayerTest, ABrokenFileWithNothingBeforeItJustStops)
{
    playForever(clip("broken.mp4"));
    testing::pumpFor(kClipLength * 3);
    EXPECT_FALSE(saw(play_state::kPlaying));
    EXPECT_FALSE(saw(play_state::kMediaEnded));
}

// What the X server shows in the widget's rectangle, as the exhibition screen would.
QImage screenOf(const QWidget& widget)
{
    const QRect where(widget.mapToGlobal(QPoint(0, 0)), widget.size());
    return widget.screen()->grabWindow(0).toImage().copy(where);
}

// Pixels of `image` at or below row `fromRow` that `counts`.
template <class Counts>
int pixelsWhere(const QImage& image, int fromRow, Counts counts)
{
    int n = 0;
    for (int y = fromRow; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += counts(image.pixel(x, y)) ? 1 : 0;
        }
    }
    return n;
}

bool lit(QRgb p)
{
    return qRed(p) + qGreen(p) + qBlue(p) > 60;
}
bool notBlue(QRgb p)
{
    return !(qBlue(p) > 150 && qRed(p) < 80 && qGreen(p) < 80);
}

TEST_F(MpvPlayerTest, ModeFullShowsTheControlPanelFromTheStartAndModeNoneHidesIt)
{
    // A player of its own, beside the suite's, given its mode before its core starts, as the
    // player window does at creation.
    QWidget screen;
    screen.setAttribute(Qt::WA_NativeWindow);
    // Black before the core draws, as the player window's surface is.
    screen.setAutoFillBackground(true);
    QPalette black = screen.palette();
    black.setColor(QPalette::Window, Qt::black);
    screen.setPalette(black);
    screen.setGeometry(0, 240, 320, 240);
    screen.show();
    ASSERT_TRUE(testing::pumpUntil([&] { return pixelsWhere(screenOf(screen), 0, lit) == 0; }, kWait));
    WidgetSurface video(screen);
    MpvPlayer own(video, clips->path());
    own.setUiMode(u"full");
    ASSERT_TRUE(own.available());
    const int bottomRows = screen.height() - 12;

    // No media: the controller's idle screen, a logo with a line of text, on black.
    EXPECT_TRUE(testing::pumpUntil([&] { return pixelsWhere(screenOf(screen), 0, lit) > 500; }, kWait))
        << "nothing shown in mode full";
    own.setUiMode(u"none");
    EXPECT_TRUE(testing::pumpUntil([&] { return pixelsWhere(screenOf(screen), 0, lit) == 0; }, kWait))
        << "something still shown in mode none";

    // A media request switches to "none" and plays: the picture alone, up to the bottom edge.
    std::vector<std::int32_t> ownStates;
    own.onPlayStateChange([&](std::int32_t state) { ownStates.push_back(state); });
    own.setUrl(clip("blue.mp4"));
    own.play();
    own.setPlayCount(kPlayCountForever);
    ASSERT_TRUE(testing::pumpUntil([&] { return !ownStates.empty(); }, kWait));
    EXPECT_TRUE(testing::pumpUntil([&] { return pixelsWhere(screenOf(screen), 0, notBlue) == 0; }, kWait))
        << "the picture does not cover the player alone";
    testing::pumpFor(kClipLength);
    EXPECT_EQ(pixelsWhere(screenOf(screen), 0, notBlue), 0);

    // "full" over a playing media: the bar along the bottom, over the picture.
    own.setUiMode(u"full");
    EXPECT_TRUE(testing::pumpUntil([&] { return pixelsWhere(screenOf(screen), bottomRows, notBlue) > 200; }, kWait))
        << "no control bar at the bottom";
    own.setUiMode(u"none");
    EXPECT_TRUE(testing::pumpUntil([&] { return pixelsWhere(screenOf(screen), 0, notBlue) == 0; }, kWait))
        << "the control bar stayed";
}

} // namespace
} // namespace ride

int main(int argc, char** argv)
{
    ride::xvfb = new ride::testing::XvfbServer(640, 480);
    // A broken X connection ends the process through exit(): the server must not outlive it.
    std::atexit([] { delete std::exchange(ride::xvfb, nullptr); });
    setenv("DISPLAY", ride::xvfb->display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication app(argc, argv);
    // The media player's core refuses to start in any other numeric locale.
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
