// bike-sim driving the real console over each transport, with ride-target in the roaming
// program's place: the pointer follows the simulated rider and the bike keys reach the window
// that has the keyboard focus, as in the demo an installer runs; and a capture of that traffic
// played back into a fresh console, which then does the same.
#include "e2e/console_app.h"
#include "support/file_bytes.h"
#include "support/xvfb_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include <sys/wait.h>

#include "support/x11_probe.h"

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::kConsoleTitle;
using testing::readBytes;
using testing::ScreenPoint;
using testing::waitUntil;

class DemoTools : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        xvfb = new testing::XvfbServer(1280, 1024);
        targetDir = new testing::TempDir;
        // Where the roaming program would be: over the whole range the pointer travels.
        target = new ChildProcess({RIDE_TARGET_EXE, "--geometry", "1040x400+0+0", "--keep-focus"},
                                  {{"DISPLAY", xvfb->display()}, {"QT_QPA_PLATFORM", "xcb"}}, targetLog().string());
    }
    static void TearDownTestSuite()
    {
        delete target;
        target = nullptr;
        delete targetDir;
        targetDir = nullptr;
        delete xvfb;
        xvfb = nullptr;
    }
    static std::filesystem::path targetLog() { return *targetDir / "ride-target.log"; }

    void SetUp() override
    {
        ASSERT_TRUE(waitUntil([] { return readBytes(targetLog()).find("focus gained") != std::string::npos; }, 10s))
            << "ride-target never had the keyboard focus:\n"
            << readBytes(targetLog());
        targetLogStart_ = readBytes(targetLog()).size();
        app = std::make_unique<testing::ConsoleApp>(xvfb->display());
        placeWindows(*app);
    }

    // The console and the player below the target window, so that neither covers it.
    static void placeWindows(const testing::ConsoleApp& console)
    {
        console.set(u"控制界面", u"窗口位置左", "0");
        console.set(u"控制界面", u"窗口位置上", "430");
        console.set(u"视频1位置及大小", u"视频1位置左", "850");
        console.set(u"视频1位置及大小", u"视频1位置上", "430");
        console.set(u"视频1位置及大小", u"视频1宽", "400");
        console.set(u"视频1位置及大小", u"视频1高", "300");
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cerr << "bike-sim:\n"
                      << readBytes(simLog()) << "ride-target:\n"
                      << readBytes(targetLog()) << "console:\n"
                      << readBytes(app->logFile());
        }
        if (consoleStarted_) {
            app->process().stop();
        }
        sim.reset();
        app.reset();
    }

    std::filesystem::path simLog() const { return app->directory() / "bike-sim.log"; }

    void startSim(std::vector<std::string> args, const std::string& ride)
    {
        std::ofstream(app->directory() / "ride.txt") << ride;
        args.insert(args.begin(), BIKE_SIM_EXE);
        args.insert(args.end(),
                    {"--ride", (app->directory() / "ride.txt").string(), "--loop", "--reconnect-wait", "2"});
        sim = std::make_unique<ChildProcess>(args, std::map<std::string, std::string>{}, simLog().string());
    }

    bool simPrinted(const std::regex& pattern, std::chrono::milliseconds timeout) const
    {
        return waitUntil([&] { return std::regex_search(readBytes(simLog()), pattern); }, timeout);
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

    int simEndsWithin(std::chrono::milliseconds timeout)
    {
        if (!waitUntil([&] { return !sim->running(); }, timeout)) {
            return -1;
        }
        const int status = sim->stop();
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    static inline testing::XvfbServer* xvfb = nullptr;
    static inline testing::TempDir* targetDir = nullptr;
    static inline ChildProcess* target = nullptr;
    void startConsole()
    {
        app->start();
        consoleStarted_ = true;
    }

    std::size_t targetLogStart_ = 0;
    bool consoleStarted_ = false;
    std::unique_ptr<testing::ConsoleApp> app;
    std::unique_ptr<ChildProcess> sim;
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
    app->set(u"串口设置", u"设置", "9600,N,8,1");
    app->set(u"串口设置", u"端口", link.string());
    startConsole();
    ASSERT_TRUE(app->findWindow(kConsoleTitle, true, 10s));
    ASSERT_TRUE(simPrinted(std::regex("console opened the serial line"), 5s));

    EXPECT_TRUE(pointerReaches({512, 312})) << app->pointer();
    EXPECT_TRUE(pointerReaches({768, 240})) << app->pointer();
    EXPECT_TRUE(keysArrive("A", "F"));
    for (const auto& key : targetKeys()) {
        EXPECT_TRUE(key == "A" || key == "F") << "typed " << key << " though no other key was pressed";
    }

    app->process().stop();
    EXPECT_EQ(simEndsWithin(6s), 0) << "bike-sim ends when the console has gone away";
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
    std::smatch match;
    std::string text;
    ASSERT_TRUE(waitUntil(
        [&] {
            text = readBytes(simLog());
            return std::regex_search(text, match, std::regex("tcp listening on 127\\.0\\.0\\.1:(\\d+)"));
        },
        5s));
    app->set(u"网络参数", u"TxtTcpIp0", "127.0.0.1");
    app->set(u"网络参数", u"TxtTcpPost0", match[1]);
    startConsole();
    const auto console = app->findWindow(kConsoleTitle, true, 10s);
    ASSERT_TRUE(console);
    EXPECT_FALSE(simPrinted(std::regex("console connected"), 1500ms)) << "the channel waits for 网络设置";

    ASSERT_TRUE(app->pressButton("网络设置"));
    ASSERT_TRUE(simPrinted(std::regex("console connected over tcp from 127\\.0\\.0\\.1:\\d+"), 10s));
    EXPECT_TRUE(simPrinted(std::regex("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} from console over tcp 127\\.0\\.0\\.1:\\d+: "
                                      "\"[^\"]*99991"),
                           5s))
        << "the first heartbeat";
    EXPECT_TRUE(simPrinted(std::regex("from console over tcp [0-9.:]+: \"[^\"]*99992"), 5s)) << "the second one";

    EXPECT_TRUE(pointerReaches({512, 348})) << app->pointer();
    EXPECT_TRUE(pointerReaches({256, 240})) << app->pointer();
    // The network window took the focus when it opened; ride-target takes it back.
    EXPECT_TRUE(keysArrive("B", "E"));
    for (const auto& key : targetKeys()) {
        EXPECT_TRUE(key == "B" || key == "E") << "typed " << key << " though no other key was pressed";
    }

    app->process().stop();
    EXPECT_EQ(simEndsWithin(6s), 0) << "bike-sim ends when the console has gone away";
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
            args.insert(args.begin(), BIKE_SIM_EXE);
            args.insert(args.end(), feed.begin(), feed.end());
            args.insert(args.end(), {"--reconnect-wait", "0"});
            return std::make_unique<ChildProcess>(args, std::map<std::string, std::string>{}, (dir / log).string());
        };
        auto simulatorEnds = [&](ChildProcess& simulator, const std::string& log) {
            EXPECT_TRUE(waitUntil([&] { return !simulator.running(); }, 40s)) << readBytes(dir / log);
            const int status = simulator.stop();
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readBytes(dir / log);
            EXPECT_TRUE(std::regex_search(readBytes(dir / log), std::regex("(ride|replay) is over")))
                << readBytes(dir / log);
        };
        const auto link = dir / "bike-serial";
        auto serialSim = startSimulator({"--link", link.string()}, serialFeed, "serial-sim.log");
        auto tcpSim = startSimulator({"--tcp", "127.0.0.1:0"}, tcpFeed, "tcp-sim.log");
        std::smatch port;
        std::string tcpLog;
        EXPECT_TRUE(waitUntil(
            [&] {
                tcpLog = readBytes(dir / "tcp-sim.log");
                return std::regex_search(tcpLog, port, std::regex("tcp listening on 127\\.0\\.0\\.1:(\\d+)"));
            },
            5s));
        EXPECT_TRUE(waitUntil([&] { return std::filesystem::is_symlink(link); }, 5s));
        console.set(u"串口设置", u"设置", "9600,N,8,1");
        console.set(u"串口设置", u"端口", link.string());
        console.set(u"网络参数", u"TxtTcpIp0", "127.0.0.1");
        console.set(u"网络参数", u"TxtTcpPost0", port[1].str());

        const std::size_t keysFrom = readBytes(targetLog()).size();
        PointerTrail trail(xvfb->display());
        console.start({"--capture", capture.string()});
        simulatorEnds(*serialSim, "serial-sim.log");
        EXPECT_TRUE(console.pressButton("网络设置"));
        simulatorEnds(*tcpSim, "tcp-sim.log");
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
    consoleStarted_ = true;
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
