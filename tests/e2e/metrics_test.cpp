// SPDX-License-Identifier: GPL-3.0-or-later
// The real executable's health file for node_exporter's textfile collector: records over a
// pseudo-terminal and over TCP, the channel dropped and back, a video started, each value read
// through a strict reader of the text format; meanwhile a reader polls the file as fast as it can
// and must never find it half-written.
#include "e2e/console_suite.h"
#include "support/exposition_parser.h"
#include "support/loopback_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::ParsedExposition;
using testing::parseExposition;

// Records that steer alternately left and right: each one's arrival shows in the pointer, so the
// next is sent only then (two records in one arrival would count as one, by design).
std::string record(int i, bool key1 = false)
{
    return std::string(":::S=010xxx") + (i % 2 ? "135" : "045") + "xxxxxx,DI" + (key1 ? "A" : "B") + "BBBBB.";
}
testing::ScreenPoint pointerFor(int i)
{
    return {i % 2 ? 256 : 768, 312};
}

// Reads the file over and over on a thread of its own, parsing every copy it gets.
class PollingReader {
public:
    explicit PollingReader(std::filesystem::path file) : file_(std::move(file)), thread_([this] { run(); }) {}
    ~PollingReader() { stop(); }

    void stop()
    {
        done_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    long reads() const { return reads_; }
    long distinct() const { return distinct_; }
    const std::vector<std::string>& failures() const { return failures_; }

private:
    void run()
    {
        std::string previous;
        while (!done_) {
            std::ifstream in(file_, std::ios::binary);
            if (!in) {
                continue; // not written yet
            }
            std::ostringstream text;
            text << in.rdbuf();
            ++reads_;
            if (text.str() != previous) {
                ++distinct_;
                previous = text.str();
                try {
                    parseExposition(previous);
                } catch (const std::exception& e) {
                    if (failures_.size() < 5) {
                        failures_.push_back(e.what() + std::string("\n") + previous);
                    }
                }
            }
        }
    }

    std::filesystem::path file_;
    std::atomic<bool> done_{false};
    std::atomic<long> reads_{0};
    std::atomic<long> distinct_{0};
    std::vector<std::string> failures_;
    std::thread thread_;
};

class Metrics : public testing::ConsoleSuite<> {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ConsoleSuite::SetUp());
        metricsFile = app->directory() / "export" / "ride-console.prom";
        std::filesystem::create_directory(metricsFile.parent_path());
    }

    // The file's content once `ready` holds for it (the console writes every ten seconds).
    std::optional<ParsedExposition> exportedOnce(const std::function<bool(const ParsedExposition&)>& ready,
                                                 std::chrono::milliseconds timeout)
    {
        std::optional<ParsedExposition> found;
        testing::waitUntil(
            [&] {
                const std::string text = testing::readBytes(metricsFile);
                if (text.empty()) {
                    return false;
                }
                ParsedExposition parsed = parseExposition(text);
                if (!ready(parsed)) {
                    return false;
                }
                found = std::move(parsed);
                return true;
            },
            timeout);
        return found;
    }

    std::filesystem::path metricsFile;
};

double at(const ParsedExposition& m, const std::string& name, const testing::Labels& labels = {})
{
    const auto value = m.value(name, labels);
    return value ? *value : -12345;
}

TEST_F(Metrics, CountsRecordsChannelAndVideoInAFileNeverSeenHalfWritten)
{
    plugInSerialLine();
    testing::LoopbackServer controller;
    app->useController(controller.port());
    app->set(u"视频文件", u"视频0", "red.mp4");
    app->set(u"视频文件", u"来人播放时间单位秒", "3600");
    app->placePlayer(500, 500, 320, 240);
    // The setting names another file: the command line wins.
    app->set(u"状态导出", u"文件", "not-this.prom");
    app->makeClip("red.mp4", "red");

    PollingReader reader(metricsFile);
    const double startedAround =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    app->start({"--metrics-file", metricsFile.string()});
    ASSERT_TRUE(app->findWindow(testing::kConsoleTitle, true, 10s));

    // The first write comes once the console runs.
    auto m = exportedOnce([](const ParsedExposition&) { return true; }, 5s);
    ASSERT_TRUE(m) << "no metrics file at " << metricsFile;
    EXPECT_FALSE(std::filesystem::exists(app->directory() / "not-this.prom"));
    EXPECT_EQ(at(*m, "ride_console_records_decoded_total", {{"source", "serial"}}), 0);
    EXPECT_EQ(at(*m, "ride_console_serial_line_open"), 1);
    EXPECT_EQ(at(*m, "ride_console_network_window_loaded"), 0);
    EXPECT_EQ(m->family("ride_console_channel_connected"), nullptr);
    EXPECT_EQ(at(*m, "ride_console_build_info", {{"version", RIDE_EXPECTED_VERSION}}), 1);
    EXPECT_NEAR(at(*m, "ride_console_start_time_seconds"), startedAround, 10);
    EXPECT_EQ(at(*m, "ride_console_video_choice"), -1);

    int sent = 0;
    auto arrived = [&] {
        const testing::ScreenPoint expected = pointerFor(sent++);
        return testing::waitUntil([&] { return app->pointer() == expected; }, 5s);
    };
    // Five records over the serial line, one of them pressing key 1.
    for (int i = 0; i < 5; ++i) {
        pty->write(record(sent, i == 2));
        ASSERT_TRUE(arrived()) << "serial record " << i << " did not move the pointer";
    }
    // Seven over TCP, then the controller drops the channel, which comes back, and three more.
    ASSERT_TRUE(app->pressButton("网络设置"));
    ASSERT_TRUE(controller.accept(5s)) << "the channel did not connect";
    for (int i = 0; i < 7; ++i) {
        controller.send(record(sent));
        ASSERT_TRUE(arrived()) << "TCP record " << i << " did not move the pointer";
    }
    controller.dropConnection();
    ASSERT_TRUE(controller.accept(5s)) << "the channel did not come back";
    for (int i = 0; i < 3; ++i) {
        controller.send(record(sent));
        ASSERT_TRUE(arrived()) << "TCP record " << i << " after the reconnect did not move the pointer";
    }
    ASSERT_TRUE(app->pressButton("来人播放视频"));

    m = exportedOnce(
        [](const ParsedExposition& p) {
            return p.value("ride_console_records_decoded_total", {{"source", "tcp0"}}) == 10.0 &&
                   p.value("ride_console_video_playing") == 1.0;
        },
        25s);
    ASSERT_TRUE(m) << "no write with all ten TCP records and the video playing:\n" << testing::readBytes(metricsFile);
    EXPECT_EQ(at(*m, "ride_console_records_decoded_total", {{"source", "serial"}}), 5);
    EXPECT_LT(at(*m, "ride_console_seconds_since_last_record", {{"source", "serial"}}), 15);
    EXPECT_LT(at(*m, "ride_console_seconds_since_last_record", {{"source", "tcp0"}}), 12);
    EXPECT_GE(at(*m, "ride_console_seconds_since_last_record", {{"source", "tcp0"}}), 0);
    EXPECT_EQ(at(*m, "ride_console_network_window_loaded"), 1);
    EXPECT_EQ(at(*m, "ride_console_channel_connected", {{"channel", "0"}}), 1);
    EXPECT_EQ(at(*m, "ride_console_channel_state", {{"channel", "0"}}), 7);
    EXPECT_GE(at(*m, "ride_console_heartbeats_total"), 2);
    EXPECT_GE(at(*m, "ride_console_channel_items_sent_total", {{"channel", "0"}}), 1) << "heartbeats went out";
    EXPECT_GE(at(*m, "ride_console_channel_send_queue_length", {{"channel", "0"}}), 0);
    EXPECT_EQ(at(*m, "ride_console_channel_items_dropped_total", {{"channel", "0"}}), 0);
    EXPECT_EQ(at(*m, "ride_console_key_strings_typed_total") + at(*m, "ride_console_key_strings_refused_total"), 1)
        << "key 1 was pressed once";
    EXPECT_EQ(at(*m, "ride_console_video_choice"), 0);
    const double writeSeconds = at(*m, "ride_console_metrics_write_duration_seconds");
    EXPECT_GT(writeSeconds, 0);
    EXPECT_LT(writeSeconds, 0.05) << "an export must not hold up the UI thread";

    // The records came by a pty and by TCP; the controller saw the heartbeat through the drop.
    EXPECT_TRUE(controller.receiveUntil([](const std::string& r) { return !r.empty(); }, 3s));

    testing::waitUntil([&] { return reader.distinct() >= 2; }, 2s);
    reader.stop();
    EXPECT_TRUE(reader.failures().empty()) << reader.failures().front();
    EXPECT_GE(reader.distinct(), 2) << "the reader saw more than one write";
    EXPECT_GT(reader.reads(), 1000) << "the reader polled the file often";
    std::cout << "polling reader: " << reader.reads() << " reads of " << reader.distinct() << " writes\n";
    EXPECT_TRUE(app->process().running());
}

} // namespace
} // namespace ride
