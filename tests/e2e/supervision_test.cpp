// SPDX-License-Identifier: GPL-3.0-or-later
// The real executable as a service manager sees it: readiness, watchdog pings from its event loop,
// the status line, and the journal's priority prefixes. The test binds the notification socket
// itself and plays the supervisor; no service manager runs.
#include "e2e/console_suite.h"
#include "support/notify_receiver.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <set>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::ChildProcess;
using testing::kConsoleTitle;
using testing::NotifyReceiver;

constexpr auto kWatchdogTimeout = 400ms;
constexpr auto kPingInterval = kWatchdogTimeout / 2;

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// How many of the process's open files are AF_UNIX datagram sockets, by the inodes the kernel's
// table of AF_UNIX sockets gives them.
int datagramSocketsOf(pid_t pid)
{
    std::set<std::string> datagram;
    std::ifstream table("/proc/net/unix");
    std::string line;
    std::getline(table, line); // the header
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string num, refCount, protocol, flags, type, state, inode;
        if (fields >> num >> refCount >> protocol >> flags >> type >> state >> inode && type == "0002") {
            datagram.insert(inode);
        }
    }
    int count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        std::error_code linkError;
        const std::string target = std::filesystem::read_symlink(entry.path(), linkError).string();
        if (target.rfind("socket:[", 0) == 0 && datagram.count(target.substr(8, target.size() - 9)) != 0) {
            ++count;
        }
    }
    return count;
}

class Supervision : public testing::ConsoleSuite<> {
protected:
    static void SetUpTestSuite()
    {
        // The test may itself run under a service manager: its variables are not the console's.
        for (const char* name : {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID", "JOURNAL_STREAM", "WAYLAND_DISPLAY",
                                 "XDG_SESSION_TYPE"}) {
            ::unsetenv(name);
        }
        ConsoleSuite::SetUpTestSuite();
    }

    // The supervisor's socket, bound before the console starts.
    void SetUp() override
    {
        ConsoleSuite::SetUp();
        receiver = std::make_unique<NotifyReceiver>((app->directory() / "notify").string());
    }

    // The console from the test's directory with these variables, its output to `output` (else to
    // its log file).
    std::unique_ptr<ChildProcess> startConsole(std::map<std::string, std::string> variables,
                                               const std::filesystem::path& output = {})
    {
        variables.insert({{"DISPLAY", xvfb->display()}, {"QT_QPA_PLATFORM", "xcb"}});
        return std::make_unique<ChildProcess>(std::vector<std::string>{(app->directory() / "ride-console").string()},
                                              variables, (output.empty() ? app->logFile() : output).string());
    }
    std::map<std::string, std::string> notifyVariables() const
    {
        return {{"NOTIFY_SOCKET", receiver->name()},
                {"WATCHDOG_USEC", std::to_string(std::chrono::microseconds(kWatchdogTimeout).count())}};
    }

    // The messages up to and including the first that satisfies `last`, waiting up to `timeout`.
    template <class Predicate>
    std::vector<std::string> receiveUntil(Predicate last, std::chrono::milliseconds timeout)
    {
        std::vector<std::string> out;
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            const auto message = receiver->receive(std::max(left, 1ms));
            if (!message) {
                break;
            }
            out.push_back(*message);
            if (last(*message)) {
                return out;
            }
        }
        out.push_back("(nothing more)");
        return out;
    }

    std::unique_ptr<NotifyReceiver> receiver;
};

std::string joined(const std::vector<std::string>& messages)
{
    std::string out;
    for (const auto& m : messages) {
        out += "[" + m + "] ";
    }
    return out;
}

TEST_F(Supervision, ReadyPingsStatusAndSilenceWhileStopped)
{
    plugInSerialLine();
    const std::string device = pty->deviceEnd().string();
    // The nobody-present video comes only after this play time, not during the test.
    app->set(u"视频文件", u"来人播放时间单位秒", u"3600");
    auto console = startConsole(notifyVariables());

    const auto untilReady = receiveUntil([](const std::string& m) { return m == "READY=1"; }, 30s);
    ASSERT_EQ(untilReady.back(), "READY=1") << joined(untilReady);
    for (std::size_t i = 0; i + 1 < untilReady.size(); ++i) {
        EXPECT_EQ(untilReady[i], "WATCHDOG=1") << "before readiness only pings";
    }
    // The windows are shown before the event loop runs, and readiness is its first act.
    EXPECT_TRUE(app->findWindow(kConsoleTitle, true, 1s)) << "ready, but no console window on screen";
    const auto status = receiveUntil([](const std::string& m) { return m.rfind("STATUS=", 0) == 0; }, 3s);
    EXPECT_EQ(status.back(), "STATUS=serial " + device + " open, video none") << joined(status);

    // Pings at half the watchdog timeout, never a gap the supervisor would take for a hang.
    std::vector<Clock::time_point> pings;
    const auto watchStart = Clock::now();
    while (Clock::now() - watchStart < 3s) {
        const auto message = receiver->receive(500ms);
        ASSERT_TRUE(message) << "no message for 500 ms";
        if (*message == "WATCHDOG=1") {
            pings.push_back(Clock::now());
        }
    }
    ASSERT_GE(pings.size(), 2u);
    double longestGap = 0;
    for (std::size_t i = 1; i < pings.size(); ++i) {
        longestGap = std::max(longestGap, millisecondsBetween(pings[i - 1], pings[i]));
    }
    const double meanGap = millisecondsBetween(pings.front(), pings.back()) / static_cast<double>(pings.size() - 1);
    std::cout << "watchdog pings: " << pings.size() << " in 3 s, mean gap " << meanGap << " ms, longest " << longestGap
              << " ms\n";
    EXPECT_NEAR(meanGap, 200.0, 30.0);
    const double timeoutMs = std::chrono::duration<double, std::milli>(kWatchdogTimeout).count();
    EXPECT_LT(longestGap, timeoutMs);

    // Stopped, the event loop sends nothing; continued, the pings come back.
    ASSERT_EQ(::kill(console->pid(), SIGSTOP), 0);
    while (receiver->receive(50ms)) {
        // A ping already on its way when the signal landed.
    }
    EXPECT_EQ(receiver->receive(1500ms), std::nullopt) << "a message from a stopped process";
    ASSERT_EQ(::kill(console->pid(), SIGCONT), 0);
    const auto resumed = receiver->receive(1s);
    EXPECT_EQ(resumed, "WATCHDOG=1");

    // The bike's serial line goes away: the status says so.
    pty->unplug();
    const auto closed = receiveUntil([](const std::string& m) { return m.rfind("STATUS=", 0) == 0; }, 5s);
    EXPECT_EQ(closed.back(), "STATUS=serial " + device + " closed, video none") << joined(closed);
    EXPECT_TRUE(console->running());
}

// The supervisor's side: a stopped console misses its pings for the watchdog timeout, is killed and
// started again. Measures from the last ping to the new console window on screen.
TEST_F(Supervision, AHungConsoleIsNoticedAndItsRestartIsOnScreenSoon)
{
    auto console = startConsole(notifyVariables());
    ASSERT_EQ(receiveUntil([](const std::string& m) { return m == "READY=1"; }, 30s).back(), "READY=1");
    ASSERT_TRUE(app->findWindow(kConsoleTitle, true, 5s));

    ASSERT_EQ(receiveUntil([](const std::string& m) { return m == "WATCHDOG=1"; }, 2s).back(), "WATCHDOG=1");
    const auto lastPing = Clock::now();
    ASSERT_EQ(::kill(console->pid(), SIGSTOP), 0);
    // The supervisor's wait: no ping for the whole timeout.
    while (Clock::now() - lastPing < kWatchdogTimeout) {
        const auto message = receiver->receive(10ms);
        EXPECT_FALSE(message && Clock::now() - lastPing > kPingInterval + 50ms)
            << "a message long after the process was stopped: " << *message;
    }
    const auto noticed = Clock::now();
    console->kill9();
    // The X server may give the new window the old one's id: wait for the old one to go first.
    ASSERT_TRUE(testing::waitUntil([&] { return !app->findWindow(kConsoleTitle, false, 0ms); }, 10s));
    console = startConsole(notifyVariables());
    ASSERT_TRUE(app->findWindow(kConsoleTitle, true, 30s)) << "no console window after the restart";
    const auto mapped = Clock::now();
    const auto ready = receiveUntil([](const std::string& m) { return m == "READY=1"; }, 10s);
    EXPECT_EQ(ready.back(), "READY=1") << joined(ready);

    const double total = millisecondsBetween(lastPing, mapped);
    std::cout << "watchdog: last ping to hang noticed " << millisecondsBetween(lastPing, noticed)
              << " ms; kill and start to the new console window mapped " << millisecondsBetween(noticed, mapped)
              << " ms; last ping to new window " << total << " ms\n";
    RecordProperty("last_ping_to_new_window_ms", std::to_string(static_cast<long>(total)));
    // The unit's watchdog timeout here is 0.4 s; the target is that plus 5 s.
    EXPECT_LT(total, 400.0 + 5000.0);
}

TEST_F(Supervision, WithoutTheVariablesNoSocketAndNoPrefixes)
{
    app->set(u"串口设置", u"端口", (app->directory() / "nobike").string());
    auto console = startConsole({{"WAYLAND_DISPLAY", "wayland-test"}});
    ASSERT_TRUE(app->findWindow(kConsoleTitle, true, 30s));
    EXPECT_EQ(receiver->receive(1500ms), std::nullopt);
    EXPECT_EQ(datagramSocketsOf(console->pid()), 0) << "a datagram socket with no NOTIFY_SOCKET to send to";
    console->stop();

    std::ifstream log(app->logFile());
    std::string line;
    int serialErrors = 0;
    int waylandWarnings = 0;
    while (std::getline(log, line)) {
        EXPECT_NE(line.front(), '<') << line;
        serialErrors += line.find(" error serial: ") != std::string::npos ? 1 : 0;
        waylandWarnings += line.find(" warning session: this is a Wayland session") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(serialErrors, 1);
    EXPECT_EQ(waylandWarnings, 1) << "said once";
}

TEST_F(Supervision, WithTheVariablesTheProcessHoldsOneNotificationSocket)
{
    auto console = startConsole(notifyVariables());
    ASSERT_EQ(receiveUntil([](const std::string& m) { return m == "READY=1"; }, 30s).back(), "READY=1");
    // The other half of the check above: the count would see the socket if there were one.
    EXPECT_EQ(datagramSocketsOf(console->pid()), 1);
}

// Standard error is a named pipe the test reads; JOURNAL_STREAM names it by device and inode,
// as the service manager does for the journal's stream.
TEST_F(Supervision, JournalStreamGivesEachLineItsPriority)
{
    app->set(u"串口设置", u"端口", (app->directory() / "nobike").string());
    const auto pipePath = app->directory() / "stderr.pipe";
    ASSERT_EQ(::mkfifo(pipePath.c_str(), 0600), 0);
    const int readEnd = ::open(pipePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(readEnd, 0);
    struct stat pipeStatus {};
    ASSERT_EQ(::stat(pipePath.c_str(), &pipeStatus), 0);
    const std::string stream = std::to_string(pipeStatus.st_dev) + ":" + std::to_string(pipeStatus.st_ino);
    auto console = startConsole({{"JOURNAL_STREAM", stream}, {"XDG_SESSION_TYPE", "wayland"}}, pipePath);

    std::string output;
    const auto has = [&output](const std::string& text) { return output.find(text) != std::string::npos; };
    testing::waitUntil(
        [&] {
            char buffer[4096];
            const ssize_t n = ::read(readEnd, buffer, sizeof buffer);
            if (n > 0) {
                output.append(buffer, static_cast<std::size_t>(n));
            }
            return has(" error serial: ") && has(" warning session: ");
        },
        30s);
    console->stop();
    ::close(readEnd);

    std::istringstream lines(output);
    std::string line;
    int prefixed = 0;
    while (std::getline(lines, line)) {
        if (line.find(" error serial: ") != std::string::npos) {
            EXPECT_EQ(line.rfind("<3>", 0), 0u) << line;
            ++prefixed;
        } else if (line.find(" warning session: ") != std::string::npos) {
            EXPECT_EQ(line.rfind("<4>", 0), 0u) << line;
            ++prefixed;
        } else if (line.find(" info ") != std::string::npos) {
            EXPECT_EQ(line.rfind("<6>", 0), 0u) << line;
        }
    }
    EXPECT_EQ(prefixed, 2) << output;
}

} // namespace
} // namespace ride
