// SPDX-License-Identifier: GPL-3.0-or-later
// The capture of the controller's traffic: its lines read back as the bytes that came, a file cut
// short or damaged is read up to the damage, the file rotates at its limit, a full disk stops it
// with one warning, and the front door captures every arrival and every send.
#include "capture/capture_reader.h"
#include "capture/traffic_capture.h"
#include "metrics/console_health.h"
#include "network/supervision.h"
#include "support/fake_capture_disk.h"
#include "support/test_site.h"

#include <gtest/gtest.h>

#include <sstream>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::FakeCaptureDisk;

const std::filesystem::path kFile = "/site/capture.txt";
const std::filesystem::path kRotated = "/site/capture.txt.1";

TEST(CaptureFormat, EveryByteReadsBackAsItCame)
{
    const struct {
        std::string bytes;
        std::string written;
    } cases[] = {
        {":::S=010xxx090xxxxxx,DIABBBBB.", ":::S=010xxx090xxxxxx,DIABBBBB."},
        {"a b\\c", "a b\\\\c"},
        {"ok\r\n\t", "ok\\r\\n\\t"},
        {"end ", "end\\x20"},
        {std::string("\0\x7f\xb0\xa1\xff", 5), "\\x00\\x7F\\xB0\\xA1\\xFF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escapeCaptureBytes(c.bytes), c.written);
        EXPECT_EQ(unescapeCaptureBytes(c.written), c.bytes) << c.written;

        std::string line;
        appendCaptureLine(line, 1523118, "2026-12-07T21:58:04.637",
                          captureSourceToken(LineSource::tcpChannel(2), "a b:80"), CaptureDirection::Out, c.bytes);
        ASSERT_EQ(line.find('\n'), line.size() - 1) << "one line, whatever the bytes";
        EXPECT_TRUE(line.starts_with("1523.118 2026-12-07T21:58:04.637 tcp2@a\\x20b:80 out ")) << line;
        const auto parsed = parseCaptureLine(std::string_view(line).substr(0, line.size() - 1));
        ASSERT_TRUE(std::holds_alternative<CaptureEntry>(parsed)) << std::get<std::string>(parsed);
        const auto& entry = std::get<CaptureEntry>(parsed);
        EXPECT_EQ(entry.microseconds, 1523118);
        EXPECT_EQ(entry.source, LineSource::tcpChannel(2));
        EXPECT_EQ(entry.address, "a b:80");
        EXPECT_EQ(entry.direction, CaptureDirection::Out);
        EXPECT_EQ(entry.bytes, c.bytes);
    }
}

TEST(CaptureFormat, AFileCutShortOrDamagedIsReadUpToTheDamage)
{
    const std::string header = "# ride-console capture 1 | ride-console 0.1\n";
    const std::string good = "5.000 2026-12-07T21:58:04.637 serial in :::S=0\n"
                             "# a comment\n"
                             "35.250 2026-12-07T21:58:04.667 serial in 10xxx090xxxxxx,DIBBBBBB.\n";
    const struct {
        std::string file;
        std::size_t entries;
        std::size_t stopLine; // 0: read whole
        std::string reason;
    } cases[] = {
        {header + good, 2, 0, ""},
        {header + good + "65.000 2026-12-07T21:58:04.697 ser", 2, 5, "cut short"},
        {header + good + "65.000 2026-12-07T21:58:04.697 serial in \\q\n" + good, 2, 5, "escape"},
        {header + good + "65 2026-12-07T21:58:04.697 serial in x\n", 2, 5, "three decimals"},
        {header + "5.000 2026-12-07T21:58:04.637 tcpX@h:1 in x\n", 0, 2, "not a number"},
        {header + "5.000 2026-12-07T21:58:04.637 serial sideways x\n", 0, 2, "neither in nor out"},
        {"1.000 2026-12-07T21:58:04.637 serial in x\n", 0, 1, "not a ride-console capture"},
        {"", 0, 1, "empty"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.file);
        CaptureReader reader(in);
        std::size_t entries = 0;
        if (reader.readHeader()) {
            while (reader.next()) {
                ++entries;
            }
        }
        EXPECT_EQ(entries, c.entries) << c.file;
        ASSERT_EQ(reader.stopped().has_value(), c.stopLine != 0) << c.file;
        if (c.stopLine != 0) {
            EXPECT_EQ(reader.stopped()->line, c.stopLine) << c.file;
            EXPECT_NE(reader.stopped()->reason.find(c.reason), std::string::npos) << reader.stopped()->reason;
        }
    }
}

class TrafficCaptureTest : public ::testing::Test {
protected:
    std::unique_ptr<TrafficCapture> make(std::uint64_t limit)
    {
        CaptureConfig config;
        config.file = kFile;
        config.limitBytes = limit;
        config.started = start;
        config.clock = [this] { return now; };
        return std::make_unique<TrafficCapture>(disk, config, [] { return CaptureHeader{"ride-console 0.1"}; });
    }

    // Lines of a file, the header first.
    std::vector<std::string> lines(const std::filesystem::path& file)
    {
        std::vector<std::string> out;
        std::istringstream in(disk.files[file]);
        for (std::string line; std::getline(in, line);) {
            out.push_back(line);
        }
        return out;
    }

    FakeCaptureDisk disk;
    MonotonicTime start = MonotonicTime{} + 100s;
    MonotonicTime now = start;
    const std::string record = ":::S=010xxx090xxxxxx,DIABBBBB.";
};

TEST_F(TrafficCaptureTest, LinesWaitForTheFlushAndTheFileRotatesAtItsLimit)
{
    disk.files[kFile] = "the earlier run's capture\n";
    auto capture = make(400);
    ASSERT_TRUE(capture->open());
    EXPECT_EQ(disk.files[kRotated], "the earlier run's capture\n") << "a restart keeps what came before it";
    const int appendsAfterOpen = disk.appends;

    for (int i = 0; i < 10; ++i) {
        now = start + std::chrono::milliseconds(50 * i);
        capture->record(LineSource::serial(), {}, CaptureDirection::In, record);
    }
    EXPECT_EQ(disk.appends, appendsAfterOpen) << "recording never touches the disk";
    capture->flush();

    // Each line is some 90 bytes: the header and three lines fill a file of 400.
    for (const auto& file : {kFile, kRotated}) {
        EXPECT_LE(disk.files[file].size(), 400u);
        EXPECT_TRUE(disk.files[file].starts_with(std::string(kCaptureMagic) + " | ride-console 0.1 | started "))
            << disk.files[file];
    }
    const auto last = lines(kFile);
    ASSERT_GE(last.size(), 2u);
    EXPECT_TRUE(last.back().starts_with("450.000 ")) << last.back();
    EXPECT_TRUE(last.back().ends_with(" serial in " + record)) << last.back();
    EXPECT_EQ(capture->bytesCaptured(CaptureDirection::In), 10 * record.size());
    EXPECT_EQ(capture->bytesDropped(), 0u);
}

TEST_F(TrafficCaptureTest, AFullDiskStopsTheCaptureWithOneWarning)
{
    disk.capacity = 300;
    auto capture = make(64 << 20);
    ASSERT_TRUE(capture->open());
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 6; ++i) {
        capture->record(LineSource::tcpChannel(0), "127.0.0.1:8001", CaptureDirection::Out, "99991");
    }
    capture->flush();
    capture->record(LineSource::serial(), {}, CaptureDirection::In, record);
    capture->flush();
    const std::string warnings = ::testing::internal::GetCapturedStderr();

    EXPECT_TRUE(capture->stopped());
    EXPECT_EQ(disk.files[kFile].size(), 300u) << "what fitted stays";
    const auto written = std::count(warnings.begin(), warnings.end(), '\n');
    EXPECT_EQ(written, 1) << warnings;
    EXPECT_NE(warnings.find("warning capture: /site/capture.txt: cannot write it: No space left on device"),
              std::string::npos)
        << warnings;
    EXPECT_EQ(capture->bytesCaptured(CaptureDirection::Out), 0u);
    EXPECT_EQ(capture->bytesDropped(), 6 * 5 + record.size());
}

TEST(CaptureAtTheFrontDoor, EveryArrivalAndEverySendOfEachLineIsCaptured)
{
    FakeCaptureDisk disk;
    testing::TestSite site({.capture = CaptureOptions{kFile, 1 << 20, "ride-console 9.9", {}}, .captureDisk = &disk});
    // Half a character first: the bytes are captured as they came, the text waits for the rest.
    const std::string gbk = toGbk(u"中");
    site.console().arrivals().arrive({LineSource::serial(), gbk.substr(0, 1), {}});
    site.console().arrivals().arrive({LineSource::serial(), gbk.substr(1) + "\xff", u"中\uFFFD"});

    site.pointChannelAt(u"127.0.0.1", 8001);
    Frmsock& network = site.network();
    network.TMRTCPC连接状态判断.tick();
    network.Timer3.tick(); // the heartbeat
    network.TmrTcp发送.tick();
    site.sockets().made.at(0)->arrive(u":::S=010xxx090xxxxxx,DIBBBBBB.");
    for (const auto& timer : site.installation->upkeepTimers()) {
        if (timer->name() == "capture flush") {
            timer->tick();
        }
    }

    const std::string& file = disk.files[kFile];
    EXPECT_TRUE(file.starts_with(std::string(kCaptureMagic) + " | ride-console 9.9 | started ")) << file;
    EXPECT_NE(file.find(" | serial none | tcp0 none\n"), std::string::npos) << file;
    EXPECT_NE(file.find(" serial in \\xD6\n"), std::string::npos) << file;
    EXPECT_NE(file.find(" serial in \\xD0\\xFF\n"), std::string::npos) << file;
    EXPECT_NE(file.find(" tcp0@127.0.0.1:8001 out 99991\n"), std::string::npos) << file;
    EXPECT_NE(file.find(" tcp0@127.0.0.1:8001 in :::S=010xxx090xxxxxx,DIBBBBBB.\n"), std::string::npos) << file;

    HealthSources sources;
    sources.capture = site.installation->capture();
    const ConsoleHealth health = takeHealthSnapshot(sources, steadyNow());
    EXPECT_EQ(health.capturedIn, 3u + 30u);
    EXPECT_EQ(health.capturedOut, 5u);
    EXPECT_EQ(health.captureDropped, 0u);
}

} // namespace
} // namespace ride
