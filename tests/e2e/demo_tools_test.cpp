// bike-sim driving the real console over each transport, with ride-target in the roaming
// program's place: the pointer follows the simulated rider and the bike keys reach the window
// that has the keyboard focus, as in the demo an installer runs.
#include "e2e/console_app.h"
#include "support/file_bytes.h"
#include "support/xvfb_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include <sys/wait.h>

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
        // The console and the player below the target window, so that neither covers it.
        app->set(u"控制界面", u"窗口位置左", "0");
        app->set(u"控制界面", u"窗口位置上", "430");
        app->set(u"视频1位置及大小", u"视频1位置左", "850");
        app->set(u"视频1位置及大小", u"视频1位置上", "430");
        app->set(u"视频1位置及大小", u"视频1宽", "400");
        app->set(u"视频1位置及大小", u"视频1高", "300");
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

    // The keys ride-target printed since this test began, in order.
    std::vector<std::string> targetKeys() const
    {
        std::vector<std::string> keys;
        std::istringstream lines(readBytes(targetLog()).substr(targetLogStart_));
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

} // namespace
} // namespace ride
