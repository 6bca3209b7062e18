// SPDX-License-Identifier: GPL-3.0-or-later
// The health snapshot taken from the three windows' models on the test platform: records counted
// by the source that completed them, the channel's state and queue counts, keys typed and refused,
// the video choice and playback, and the families made from it read by the strict reader.
#include "metrics/console_health.h"
#include "network/send_queue.h"
#include "network/supervision.h"
#include "settings/profile_file.h"
#include "support/exposition_parser.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

#include <gtest/gtest.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::parseExposition;

const Text kRecordKeyA = u":::S=010xxx090xxxxxx,DIABBBBB.";
const Text kRecordKeysUp = u":::S=010xxx090xxxxxx,DIBBBBBB.";

class ConsoleHealthTest : public ::testing::Test {
protected:
    // Port 1, which the fake line opens at load.
    std::unique_ptr<testing::TestSite> makeSite()
    {
        WriteIni(settingsFile(), u"串口设置", u"端口", u"1");
        return std::make_unique<testing::TestSite>(
            testing::SiteOptions{.settingsFile = settingsFile(), .clock = [this] { return now; }});
    }

    std::filesystem::path settingsFile() const { return dir / "配置.ini"; }

    void openNetwork() { network = &site->network(); }

    HealthSources sources() const
    {
        HealthSources s;
        s.console = &site->console();
        s.serial = &site->serialLine();
        s.network = site->installation->networkWindow();
        s.player = site->installation->playerIfLoaded();
        s.startedAt = start;
        s.startTimeSeconds = 1700000000.5;
        s.version = "9.8";
        return s;
    }

    testing::ParsedExposition exported() const
    {
        return parseExposition(exposition(healthFamilies(takeHealthSnapshot(sources(), now))));
    }

    testing::TempDir dir;
    MonotonicTime start = MonotonicTime{} + 1000s;
    MonotonicTime now = start;
    std::unique_ptr<testing::TestSite> site = makeSite();
    Form1* console = &site->console();
    testing::FakeSerialLine& serial = site->serial();
    RecordingKeystrokes& keys = site->keys();
    Frmsock* network = nullptr;
};

TEST_F(ConsoleHealthTest, BeforeAnythingHappensOnlyTheConsoleIsReported)
{
    now = start + 42s;
    const auto m = exported();
    EXPECT_EQ(m.value("ride_console_records_decoded_total", {{"source", "serial"}}), 0);
    EXPECT_EQ(m.value("ride_console_seconds_since_last_record", {{"source", "serial"}}), 42)
        << "a source that never sent counts from the start";
    EXPECT_EQ(m.value("ride_console_serial_line_open"), 1) << "port 1 opens at load";
    EXPECT_EQ(m.value("ride_console_network_window_loaded"), 0);
    EXPECT_EQ(m.family("ride_console_channel_connected"), nullptr) << "no channel series without the window";
    EXPECT_EQ(m.family("ride_console_heartbeats_total"), nullptr);
    EXPECT_EQ(m.value("ride_console_video_choice"), -1);
    EXPECT_EQ(m.value("ride_console_video_playing"), 0);
    EXPECT_EQ(m.value("ride_console_start_time_seconds"), 1700000000.5);
    EXPECT_EQ(m.value("ride_console_build_info", {{"version", "9.8"}}), 1);

    serial.openSucceeds = false;
    ASSERT_FALSE(serial.open());
    EXPECT_EQ(exported().value("ride_console_serial_line_open"), 0);
    EXPECT_EQ(m.family("ride_console_metrics_write_duration_seconds"), nullptr) << "no write before the first";
}

TEST_F(ConsoleHealthTest, RecordsAreCountedByTheSourceThatCompletedThem)
{
    openNetwork();
    testing::FakeTcpSocket& socket = *site->sockets().made.at(0);
    socket.setState(7);

    // Serial: one record in two pieces, then a second whole one.
    serial.arrivals = {kRecordKeysUp.substr(0, 12), kRecordKeysUp.substr(12), kRecordKeysUp};
    now = start + 5s;
    console->pollSerial();
    console->pollSerial();
    now = start + 6s;
    console->pollSerial();
    // TCP: one record, one split over two arrivals, then two in one arrival (the second is
    // emptied away with the box).
    now = start + 7s;
    socket.arrive(kRecordKeysUp);
    socket.arrive(kRecordKeysUp.substr(0, 20));
    now = start + 8s;
    socket.arrive(kRecordKeysUp.substr(20));
    socket.arrive(kRecordKeysUp + kRecordKeysUp);
    // Typed by the operator: counted by neither.
    console->Text1.setText(kRecordKeysUp);
    ASSERT_EQ(console->decoder().recordsDecoded(), 6u);

    now = start + 20s;
    const auto m = exported();
    EXPECT_EQ(m.value("ride_console_records_decoded_total", {{"source", "serial"}}), 2);
    EXPECT_EQ(m.value("ride_console_records_decoded_total", {{"source", "tcp0"}}), 3);
    EXPECT_EQ(m.value("ride_console_seconds_since_last_record", {{"source", "serial"}}), 14);
    EXPECT_EQ(m.value("ride_console_seconds_since_last_record", {{"source", "tcp0"}}), 12);
}

TEST_F(ConsoleHealthTest, ChannelStateHeartbeatAndQueueCounts)
{
    openNetwork();
    testing::FakeTcpSocket& socket = *site->sockets().made.at(0);
    Channel& ch = network->channel(0);

    network->Timer3.tick();
    network->Timer3.tick();
    network->Timer3.tick();
    auto m = exported();
    EXPECT_EQ(m.value("ride_console_network_window_loaded"), 1);
    EXPECT_EQ(m.value("ride_console_heartbeats_total"), 3);
    EXPECT_EQ(m.value("ride_console_channel_send_queue_length", {{"channel", "0"}}), 3);
    EXPECT_EQ(m.value("ride_console_channel_connected", {{"channel", "0"}}), 0);
    EXPECT_EQ(m.value("ride_console_channel_state", {{"channel", "0"}}), 0);

    // Connected: one item goes out and completes.
    socket.setState(7);
    network->TmrTcp发送.tick();
    socket.complete();
    // Disconnected with the policy that drops: one item per pass is lost.
    socket.setState(0);
    ch.CMB发送失败处理方法.setText(u"忽略放弃本条");
    network->TmrTcp发送.tick();
    m = exported();
    EXPECT_EQ(m.value("ride_console_channel_items_sent_total", {{"channel", "0"}}), 1);
    EXPECT_EQ(m.value("ride_console_channel_items_dropped_total", {{"channel", "0"}}), 1);
    EXPECT_EQ(m.value("ride_console_channel_send_queue_length", {{"channel", "0"}}), 1);

    // A completion on an empty queue sends nothing.
    network->TmrTcp发送.tick();
    socket.complete();
    socket.setState(7);
    m = exported();
    EXPECT_EQ(m.value("ride_console_channel_items_sent_total", {{"channel", "0"}}), 1);
    EXPECT_EQ(m.value("ride_console_channel_items_dropped_total", {{"channel", "0"}}), 2);
    EXPECT_EQ(m.value("ride_console_channel_connected", {{"channel", "0"}}), 1);
    EXPECT_EQ(m.value("ride_console_channel_state", {{"channel", "0"}}), 7);

    // The failure policy that keeps only the newest item drops the rest.
    for (int i = 0; i < 4; ++i) {
        network->Timer3.tick();
    }
    ch.sendFlag = send_flag::kSendData;
    ch.CMB发送失败处理方法.setText(u"只发最后一条");
    network->sendQueue().ApplySendFailurePolicy(0);
    m = exported();
    EXPECT_EQ(m.value("ride_console_channel_items_dropped_total", {{"channel", "0"}}), 5);
    EXPECT_EQ(m.value("ride_console_channel_send_queue_length", {{"channel", "0"}}), 1);
}

TEST_F(ConsoleHealthTest, KeyStringsAndVideo)
{
    console->Text1.setText(kRecordKeyA);   // key 1 pressed: "A" typed
    console->Text1.setText(kRecordKeysUp); // released
    console->txtKey(6).setText(u"{NoSuchKey}");
    console->Text1.setText(kRecordKeyA); // pressed again: not understood, not typed
    ASSERT_EQ(keys.calls().size(), 1u);

    console->Command2_0.click();
    auto m = exported();
    EXPECT_EQ(m.value("ride_console_key_strings_typed_total"), 1);
    EXPECT_EQ(m.value("ride_console_key_strings_refused_total"), 1);
    EXPECT_EQ(m.value("ride_console_video_choice"), 0);
    EXPECT_EQ(m.value("ride_console_video_playing"), 0) << "asked for, not yet playing";

    testing::RecordingMediaPlayer& media = *site->media().player;
    media.raiseState(play_state::kPlaying);
    EXPECT_EQ(exported().value("ride_console_video_playing"), 1);
    media.raiseState(play_state::kMediaEnded);
    EXPECT_EQ(exported().value("ride_console_video_playing"), 0);

    // An animation plays for as long as its program runs.
    WriteIni(settingsFile(), u"视频文件", u"视频1", u"show.swf");
    console->Command2_1.click();
    testing::FakeAnimationPlayer& animation = *site->media().animation;
    animation.running = true;
    m = exported();
    EXPECT_EQ(m.value("ride_console_video_choice"), 1);
    EXPECT_EQ(m.value("ride_console_video_playing"), 1);
    animation.running = false;
    EXPECT_EQ(exported().value("ride_console_video_playing"), 0);
}

} // namespace
} // namespace ride
