// SPDX-License-Identifier: GPL-3.0-or-later
// bike-sim driving the real console over each transport, with ride-target in the roaming
// program's place: the pointer follows the simulated rider and the bike keys reach the window
// that has the keyboard focus, as in the demo an installer runs; and a capture of that traffic
// played back into a fresh console, which then does the same.
#include "e2e/console_suite.h"
#include "support/bike_sim_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::readBytes;
using testing::ScreenPoint;
using testing::waitUntil;

class DemoTools : public testing::ConsoleSuite<> {
protected:
    static void SetUpTestSuite()
    {
        ConsoleSuite::SetUpTestSuite();
        targetDir = new testing::TempDir;
        // Where the roaming program would be: over the whole range the pointer travels.
        target = new ChildProcess({RIDE_TARGET_EXE, "--geometry", "1040x400+0+0", "--keep-focus"},
                                  {{"DISPLAY", xvfb->display()}, {"QT_QPA_PLATFORM", "xcb"}}, targetLog().string());
    }
    static void TearDownTestSuite()
    {
        delete std::exchange(target, nullptr);
        delete std::exchange(targetDir, nullptr);
        ConsoleSuite::TearDownTestSuite();
    }
    static std::filesystem::path targetLog() { return *targetDir / "ride-target.log"; }

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ConsoleSuite::SetUp());
        placeWindows(*app);
        ASSERT_TRUE(waitUntil([] { return readBytes(targetLog()).find("focus gained") != std::string::npos; }, 10s))
            << "ride-target never had the keyboard focus:\n"
            << readBytes(targetLog());
        targetLogStart_ = readBytes(targetLog()).size();
    }

    // The console and the player below the target window, so that neither covers it.
    static void placeWindows(const testing::ConsoleApp& console)
    {
        console.placeConsole(0, 430);
        console.placePlayer(850, 430, 400, 300);
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cerr << "bike-sim:\n" << (sim ? sim->output() : "") << "ride-target:\n" << readBytes(targetLog());
        }
        ConsoleSuite::TearDown();
        sim.reset();
    }

    void startSim(std::vector<std::string> args, const std::string& ride)
    {
        std::ofstream(app->directory() / "ride.txt") << ride;
        args.insert(args.end(),
                    {"--ride", (app->directory() / "ride.txt").string(), "--loop", "--reconnect-wait", "2"});
        sim = std::make_unique<testing::BikeSimRun>(std::move(args), app->directory() / "bike-sim.log");
    }

    bool pointerReaches(ScreenPoint where, std::chrono::milliseconds timeout = 10s) const
    {
        return waitUntil([&] { return app->pointer() == where; }, timeout);
    }

    // The keys ride-target printed since this test began (or since `from` in its log), in order.
    std::vector<std::string> targetKeys(std::size_t from = 0) const
    {
        std::vector<std::string> keys;
        std::istringstream lines(readBytes(targetLog()).substr(std::max(from, targetLogStart_)));
        const std::regex keyLine("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} key (.+)$");
        std::string line;
        std::smatch match;
        while (std::getline(lines, line)) {
            if (std::regex_match(line, match, keyLine)) {
                keys.push_back(match[1]);
            }
        }
        return keys;
    }

    // `first` typed, and `second` after it; nothing else.
    bool keysArrive(const std::string& first, const std::string& second, std::chrono::milliseconds timeout = 15s) const
    {
        return waitUntil(
            [&] {
                const auto keys = targetKeys();
                const auto a = std::find(keys.begin(), keys.end(), first);
                return a != keys.end() && std::find(a, keys.end(), second) != keys.end();
            },
            timeout);
    }

    static inline testing::TempDir* targetDir = nullptr;
    static inline ChildProcess* target = nullptr;
    std::size_t targetLogStart_ = 0;
    std::unique_ptr<testing::BikeSimRun> sim;
};

TEST_F(DemoTools, SerialLineFromBikeSimSteersThePointerAndTypesIntoRideTarget)
{
    const auto link = app->directory() / "bike-serial";
    // Pointer with the default travel: speed 10, direction 90 -> (512, 312); 20, 45 -> (768, 240).
    // Key 1 types "A", key 6 types "F".
    startSim({"--link", link.string()}, "0.0 10 90 BBBBBB\n"
                                        "1.5 20 45 BBBBBB\n"
                                        "3.0 20 45 ABBBBB\n"
                                        "3.5 20 45 BBBBBB\n"
                                        "4.0 20 45 BBBBBA\n"
                                        "4.5 20 45 BBBBBB\n"
                                        "5.0 20 45 BBBBBB\n");
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::is_symlink(link); }, 5s));
    app->useSerialLine(link);
    ASSERT_TRUE(app->startShown(10s));
    ASSERT_TRUE(sim->printed(std::regex("console opened the serial line"), 5s));

    EXPECT_TRUE(pointerReaches({512, 312})) << app->pointer();
    EXPECT_TRUE(pointerReaches({768, 240})) << app->pointer();
    EXPECT_TRUE(keysArrive("A", "F"));
    for (const auto& key : targetKeys()) {
        EXPECT_TRUE(key == "A" || key == "F") << "typed " << key << " though no other key was pressed";
    }

    app->process().stop();
    EXPECT_EQ(sim->exitCodeWithin(6s), 0) << "bike-sim ends when the console has gone away";
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST_F(DemoTools, TcpChannelToBikeSimCarriesHeartbeatsOneWayAndRecordsTheOther)
{
    // Speed 5, direction 90 -> (512, 348); 20, 135 -> (256, 240). Key 2 types "B", key 5 "E".
    startSim({"--tcp", "127.0.0.1:0"}, "0.0 5 90 BBBBBB\n"
                                       "1.5 20 135 BBBBBB\n"
                                       "3.0 20 135 BABBBB\n"
                                       "3.5 20 135 BBBBBB\n"
                                       "4.0 20 135 BBBBAB\n"
                                       "4.5 20 135 BBBBBB\n"
                                       "5.0 20 135 BBBBBB\n");
    const int port = sim->tcpPort();
    ASSERT_GT(port, 0);
    app->useController(port);
    ASSERT_TRUE(app->startShown(10s));
    EXPECT_FALSE(sim->printed(std::regex("console connected"), 1500ms)) << "the channel waits for 网络设置";

    ASSERT_TRUE(app->pressButton("网络设置"));
    ASSERT_TRUE(sim->printed(std::regex("console connected over tcp from 127\\.0\\.0\\.1:\\d+"), 10s));
    EXPECT_TRUE(sim->printed(std::regex("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} from console over tcp 127\\.0\\.0\\.1:\\d+: "
                                        "\"[^\"]*99991"),
                             5s))
        << "the first heartbeat";
    EXPECT_TRUE(sim->printed(std::regex("from console over tcp [0-9.:]+: \"[^\"]*99992"), 5s)) << "the second one";

    EXPECT_TRUE(pointerReaches({512, 348})) << app->pointer();
    EXPECT_TRUE(pointerReaches({256, 240})) << app->pointer();
    // The network window took the focus when it opened; ride-target takes it back.
    EXPECT_TRUE(keysArrive("B", "E"));
    for (const auto& key : targetKeys()) {
        EXPECT_TRUE(key == "B" || key == "E") << "typed " << key << " though no other key was pressed";
    }

    app->process().stop();
    EXPECT_EQ(sim->exitCodeWithin(6s), 0) << "bike-sim ends when the console has gone away";
}

// Every place the pointer stands, as another X client sees it, polled every millisecond: the
// console's moves come at least 30 ms apart, so none is missed.
class PointerTrail {
public:
    explicit PointerTrail(const std::string& display) : x_(XOpenDisplay(display.c_str()))
    {
        // From a place no record leads to, so that the first move shows.
        XWarpPointer(x_, 0, DefaultRootWindow(x_), 0, 0, 0, 0, 0, 0);
        XSync(x_, False);
        watcher_ = std::thread([this] {
            while (!stop_) {
                const ScreenPoint p = testing::pointerOn(x_);
                if (trail_.empty() || !(trail_.back() == p)) {
                    trail_.push_back(p);
                }
                std::this_thread::sleep_for(1ms);
            }
        });
    }
    ~PointerTrail()
    {
        finish();
        XCloseDisplay(x_);
    }
    std::vector<ScreenPoint> finish()
    {
        stop_ = true;
        if (watcher_.joinable()) {
            watcher_.join();
        }
        return trail_;
    }

private:
    Display* x_;
    std::atomic<bool> stop_{false};
    std::vector<ScreenPoint> trail_;
    std::thread watcher_;
};

TEST_F(DemoTools, ACaptureReplayedIntoAFreshConsoleMovesThePointerAndTypesTheKeysAgain)
{
    // What one console did: where the pointer stood, and the keys ride-target got, in order.
    struct Outcome {
        std::vector<ScreenPoint> pointer;
        std::vector<std::string> keys;
    };
    // bike-sim on the serial line until it is done, then on TCP channel 0 (started with 网络设置)
    // until it is done, each with `feed` after its transport; the console captures into `capture`.
    auto run = [&](testing::ConsoleApp& console, const std::filesystem::path& capture,
                   const std::vector<std::string>& serialFeed, const std::vector<std::string>& tcpFeed) -> Outcome {
        const auto dir = console.directory();
        auto startSimulator = [&](std::vector<std::string> args, const std::vector<std::string>& feed,
                                  const std::string& log) {
            args.insert(args.end(), feed.begin(), feed.end());
            args.insert(args.end(), {"--reconnect-wait", "0"});
            return std::make_unique<testing::BikeSimRun>(std::move(args), dir / log);
        };
        auto simulatorEnds = [&](testing::BikeSimRun& simulator) {
            EXPECT_EQ(simulator.exitCodeWithin(40s), 0) << "-1: it did not end\n" << simulator.output();
            EXPECT_TRUE(std::regex_search(simulator.output(), std::regex("(ride|replay) is over")))
                << simulator.output();
        };
        const auto link = dir / "bike-serial";
        auto serialSim = startSimulator({"--link", link.string()}, serialFeed, "serial-sim.log");
        auto tcpSim = startSimulator({"--tcp", "127.0.0.1:0"}, tcpFeed, "tcp-sim.log");
        const int port = tcpSim->tcpPort();
        EXPECT_GT(port, 0);
        EXPECT_TRUE(waitUntil([&] { return std::filesystem::is_symlink(link); }, 5s));
        console.useSerialLine(link);
        console.useController(port);

        const std::size_t keysFrom = readBytes(targetLog()).size();
        PointerTrail trail(xvfb->display());
        console.start({"--capture", capture.string()});
        simulatorEnds(*serialSim);
        EXPECT_TRUE(console.pressButton("网络设置"));
        simulatorEnds(*tcpSim);
        // The last key string typed, and the capture's last second flushed.
        std::this_thread::sleep_for(1500ms);
        Outcome outcome{trail.finish(), targetKeys(keysFrom)};
        console.process().stop();
        return outcome;
    };

    // Steering and pressing keys on the serial line, then on TCP. Records every 200 ms, every
    // second one spoiled: split in two or three pieces, or with garbage before it.
    const std::vector<std::string> spoil = {"--interval",      "200", "--malform", "split,garbage,split",
                                            "--malform-every", "2"};
    std::ofstream(app->directory() / "serial-ride.txt") << "0.0 10 90 BBBBBB\n0.6 20 45 BBBBBB\n1.2 20 45 ABBBBB\n"
                                                           "1.6 15 120 BBBBBB\n2.2 25 60 BBBBBA\n2.6 5 150 BBBBBB\n"
                                                           "3.4 5 150 BBBBBB\n";
    std::ofstream(app->directory() / "tcp-ride.txt") << "0.0 8 100 BBBBBB\n1.6 18 30 BABBBB\n2.0 12 70 BBBBBB\n"
                                                        "2.6 22 140 BBBABB\n3.0 6 80 BBBBBB\n3.8 6 80 BBBBBB\n";
    std::vector<std::string> serialRide = {"--ride", (app->directory() / "serial-ride.txt").string()};
    std::vector<std::string> tcpRide = {"--ride", (app->directory() / "tcp-ride.txt").string()};
    serialRide.insert(serialRide.end(), spoil.begin(), spoil.end());
    tcpRide.insert(tcpRide.end(), spoil.begin(), spoil.end());
    const auto capture = app->directory() / "site.capture";
    const Outcome site = run(*app, capture, serialRide, tcpRide);

    const std::string captured = readBytes(capture);
    EXPECT_TRUE(captured.starts_with("# ride-console capture 1 | ride-console ")) << captured.substr(0, 300);
    EXPECT_TRUE(
        std::regex_search(captured, std::regex(R"(\n[0-9]+\.[0-9]{3} [-0-9T:.]{23} serial in [^\n]*\\x[0-9A-F]{2})")))
        << "garbage on the serial line, escaped:\n"
        << captured;
    EXPECT_TRUE(std::regex_search(captured, std::regex(" tcp0@127\\.0\\.0\\.1:[0-9]+ in :::S=")));
    EXPECT_TRUE(std::regex_search(captured, std::regex(" tcp0@127\\.0\\.0\\.1:[0-9]+ out 9999[0-9]\n")))
        << "the heartbeats";
    ASSERT_GE(site.pointer.size(), 8u) << "the rides' steps moved the pointer";
    // Keys 1 and 6 on the serial line, 2 and 4 on TCP; a split record may forward a held key twice.
    std::vector<std::string> pressed = site.keys;
    pressed.erase(std::unique(pressed.begin(), pressed.end()), pressed.end());
    ASSERT_EQ(pressed, (std::vector<std::string>{"A", "F", "B", "D"}));

    // At home: a fresh console, fed the capture's serial bytes, then its channel 0 bytes.
    testing::ConsoleApp home(xvfb->display());
    placeWindows(home);
    const Outcome replayed = run(home, home.directory() / "home.capture", {"--replay", capture.string()},
                                 {"--replay", capture.string(), "--source", "channel:0"});
    EXPECT_EQ(replayed.pointer, site.pointer);
    EXPECT_EQ(replayed.keys, site.keys);
    if (HasFailure()) {
        std::cerr << "the site's capture:\n"
                  << captured << "the capture at home:\n"
                  << readBytes(home.directory() / "home.capture") << "console at home:\n"
                  << readBytes(home.logFile());
    }
}

} // namespace
} // namespace ride
