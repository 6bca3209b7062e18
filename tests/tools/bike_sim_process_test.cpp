// SPDX-License-Identifier: GPL-3.0-or-later
// The bike-sim program itself, with this test in the console's place: what arrives on each
// transport, what bike-sim prints of what the console sends, and how it ends.
#include "bike_sim/record.h"
#include "console_reading.h"
#include "support/bike_sim_run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ride::sim {
namespace {

using namespace std::chrono_literals;
using ride::testing::waitUntil;

class BikeSimProcess : public ::testing::Test {
protected:
    void SetUp() override { std::signal(SIGPIPE, SIG_IGN); }
    void TearDown() override
    {
        if (HasFailure() && sim) {
            std::cerr << "bike-sim output:\n" << sim->output();
        }
    }

    void start(std::vector<std::string> args)
    {
        sim = std::make_unique<ride::testing::BikeSimRun>(std::move(args), dir / "bike-sim.log");
    }

    ride::testing::TempDir dir;
    std::unique_ptr<ride::testing::BikeSimRun> sim;
};

// Reads what arrives on `fd` for `period`.
std::string readFor(int fd, std::chrono::milliseconds period)
{
    std::string got;
    const auto end = std::chrono::steady_clock::now() + period;
    char buffer[4096];
    while (std::chrono::steady_clock::now() < end) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, static_cast<std::size_t>(n));
        } else {
            std::this_thread::sleep_for(5ms);
        }
    }
    return got;
}

// Splits a stream of good records; fails the test on anything else in it.
std::vector<std::string> records(const std::string& stream, RecordLength length = RecordLength::Full)
{
    const std::size_t size = static_cast<std::size_t>(length);
    std::vector<std::string> out;
    EXPECT_EQ(stream.rfind(":::S=", 0), 0u) << stream;
    // The stream may end inside a record that was still on its way.
    for (std::size_t at = 0; at + size <= stream.size(); at += size) {
        const std::string record = stream.substr(at, size);
        EXPECT_TRUE(testing::readAsConsole(record)) << "not a record: " << record;
        out.push_back(record);
    }
    return out;
}

int connectTo(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &where.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, O_NONBLOCK);
    return fd;
}

TEST_F(BikeSimProcess, SerialLineCarriesRecordsUntilTheConsoleClosesIt)
{
    const auto link = dir / "bike";
    start({"--link", link.string(), "--constant", "12,90,ABBBBB", "--reconnect-wait", "0.5"});
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::is_symlink(link); }, 5s));
    ASSERT_TRUE(sim->printed("端口=" + link.string()));
    EXPECT_TRUE(std::filesystem::read_symlink(link).string().rfind("/dev/pts/", 0) == 0);
    EXPECT_FALSE(sim->printed("the ride starts", 300ms)) << "nothing is sent before the console opens the line";

    const int fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const auto got = records(readFor(fd, 500ms));
    ASSERT_GE(got.size(), 2u);
    for (const auto& record : got) {
        EXPECT_EQ(record, ":::S=012xxx090xxxxxx,DIABBBBB.");
    }
    EXPECT_TRUE(sim->printed("console opened the serial line"));
    EXPECT_TRUE(sim->printed("key 1 pressed"));

    close(fd);
    EXPECT_EQ(sim->exitCodeWithin(5s), 0);
    EXPECT_TRUE(sim->printed("the console has gone away"));
    EXPECT_FALSE(std::filesystem::exists(link) || std::filesystem::is_symlink(link)) << "the link is tidied away";
}

TEST_F(BikeSimProcess, ConsoleReopeningTheLineInTimeKeepsTheRideAndCtrlCEndsIt)
{
    const auto link = dir / "bike";
    start({"--link", link.string(), "--length", "28", "--reconnect-wait", "5"});
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::is_symlink(link); }, 5s));
    int fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_GE(records(readFor(fd, 300ms), RecordLength::Short).size(), 2u);
    close(fd);
    ASSERT_TRUE(sim->printed("console closed the serial line"));

    fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const std::string again = readFor(fd, 300ms);
    // What was on its way when the line closed may be cut; the records after it are whole.
    const auto start = again.find(":::S=");
    ASSERT_NE(start, std::string::npos) << again;
    EXPECT_GE(records(again.substr(start), RecordLength::Short).size(), 2u);
    EXPECT_TRUE(sim->running());

    kill(sim->pid(), SIGINT);
    EXPECT_EQ(sim->exitCodeWithin(3s), 0);
    EXPECT_TRUE(sim->printed("stopped; sent "));
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    close(fd);
}

TEST_F(BikeSimProcess, TcpShowsWhatTheConsoleSendsWithTimestampsAndSendsRecords)
{
    start({"--tcp", "127.0.0.1:0", "--constant", "-5,135", "--reconnect-wait", "0.5"});
    const int port = sim->tcpPort();
    ASSERT_GT(port, 0);
    ASSERT_TRUE(sim->printed("TxtTcpPost0=" + std::to_string(port)));
    const int fd = connectTo(port);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "99991", 5), 5);
    ASSERT_TRUE(sim->printed("\"99991\""));
    ASSERT_EQ(write(fd, "\xCD\xF8\r\n", 4), 4); // GBK bytes and a line end, as they come
    ASSERT_TRUE(sim->printed("\"\\xCD\\xF8\\r\\n\""));

    const std::string text = sim->output();
    EXPECT_TRUE(std::regex_search(text, std::regex("(^|\n)\\d\\d:\\d\\d:\\d\\d\\.\\d{3} from console over tcp "
                                                   "127\\.0\\.0\\.1:\\d+: \"99991\"\n")))
        << text;
    const auto got = records(readFor(fd, 300ms));
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0], ":::S=-05xxx135xxxxxx,DIBBBBBB.");

    close(fd);
    EXPECT_EQ(sim->exitCodeWithin(5s), 0);
    EXPECT_TRUE(sim->printed("the console has gone away"));
}

TEST_F(BikeSimProcess, RideFileIsReplayedOnceInOrderAndEndsWithItsLastStep)
{
    std::ofstream(dir / "ride.txt") << "# a short ride\n0 5 10 BBBBBB\n0.2 6 20 ABBBBB\n0.4 7 30 BBBBBA\n";
    start({"--tcp", "0", "--ride", (dir / "ride.txt").string(), "--interval", "20"});
    const int port = sim->tcpPort();
    ASSERT_GT(port, 0);
    const int fd = connectTo(port);
    ASSERT_GE(fd, 0);
    std::string stream;
    ASSERT_TRUE(waitUntil(
        [&] {
            char buffer[4096];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                stream.append(buffer, static_cast<std::size_t>(n));
            }
            return n == 0; // bike-sim closed the connection: the ride is over
        },
        5s));
    close(fd);
    std::vector<std::string> steps;
    for (const auto& record : records(stream)) {
        if (steps.empty() || steps.back() != record) {
            steps.push_back(record);
        }
    }
    EXPECT_EQ(steps, (std::vector<std::string>{":::S=005xxx010xxxxxx,DIBBBBBB.", ":::S=006xxx020xxxxxx,DIABBBBB.",
                                               ":::S=007xxx030xxxxxx,DIBBBBBA."}));
    EXPECT_EQ(sim->exitCodeWithin(3s), 0);
    EXPECT_TRUE(sim->printed("the ride is over"));
}

TEST_F(BikeSimProcess, BadRideFileIsRefusedWithEveryBadLineNumbered)
{
    std::ofstream(dir / "ride.txt") << "0 5 10 BBBBBB\n0.5 fast 10 BBBBBB\n1 5 10\n";
    int status = -1;
    const std::string out = ride::testing::runAndCapture(
        {"/bin/sh", "-c", std::string(BIKE_SIM_EXE) + " --serial --ride " + (dir / "ride.txt").string() + " 2>&1"},
        &status);
    EXPECT_EQ(status, 2);
    const std::string file = (dir / "ride.txt").string();
    EXPECT_NE(out.find(file + ":2: speed \"fast\""), std::string::npos) << out;
    EXPECT_NE(out.find(file + ":3: expected 4 fields"), std::string::npos) << out;
    EXPECT_EQ(out.find("serial line ready"), std::string::npos) << "nothing is opened for a bad ride";
}

TEST_F(BikeSimProcess, DeviceModeWritesToTheGivenLineAndEndsWhenItGoesAway)
{
    // A pseudo-terminal stands in for a USB serial adapter: the test holds the controller's
    // side of the cable and pulls it out by closing it.
    const int cable = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(cable, 0);
    ASSERT_EQ(grantpt(cable), 0);
    ASSERT_EQ(unlockpt(cable), 0);
    const std::string device = ptsname(cable);
    start({"--device", device, "--baud", "19200", "--constant", "20,45"});
    ASSERT_TRUE(sim->printed("serial device " + device + " open at 19200 baud"));
    const auto got = records(readFor(cable, 400ms));
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0], ":::S=020xxx045xxxxxx,DIBBBBBB.");

    close(cable);
    EXPECT_EQ(sim->exitCodeWithin(5s), 1);
    EXPECT_TRUE(sim->printed("went away"));
}

} // namespace
} // namespace ride::sim
