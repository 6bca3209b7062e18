// SPDX-License-Identifier: GPL-3.0-or-later
// The log sink: one whole line per call, with its timestamp, level and subsystem.
#include "base/log.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace ride {
namespace {

TEST(Log, EachCallIsOneTimestampedLineWithLevelAndSubsystem)
{
    testing::internal::CaptureStderr();
    logError("serial", "first\nsecond\r");
    logWarning("keys", "third");
    logInfo("video", "");
    const std::string out = testing::internal::GetCapturedStderr();
    const std::regex expected(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} error serial: first second \n)"
                              R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} warning keys: third\n)"
                              R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} info video: \n)");
    EXPECT_TRUE(std::regex_match(out, expected)) << out;
}

TEST(Log, TimestampIsLocalTimeToTheMillisecond)
{
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 7;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 3;
    local.tm_isdst = -1;
    const auto when = std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(7);
    EXPECT_EQ(formatLogLine(LogLevel::Warning, "network", "网络调试窗口加载", when),
              "2026-12-07 09:05:03.007 warning network: 网络调试窗口加载");
}

TEST(Log, JournalPriorityFollowsTheLevel)
{
    EXPECT_EQ(journalPriority(LogLevel::Error), "<3>");
    EXPECT_EQ(journalPriority(LogLevel::Warning), "<4>");
    EXPECT_EQ(journalPriority(LogLevel::Info), "<6>");
}

TEST(Log, JournalStreamMustNameStandardErrorsDeviceAndInode)
{
    EXPECT_TRUE(journalStreamMatches("8:123456", 8, 123456));
    EXPECT_TRUE(journalStreamMatches("0:0", 0, 0));
    EXPECT_TRUE(journalStreamMatches("18446744073709551615:1", 18446744073709551615ULL, 1));
    // Standard error redirected elsewhere by a program started from a journal-connected one.
    EXPECT_FALSE(journalStreamMatches("8:123456", 8, 123457));
    EXPECT_FALSE(journalStreamMatches("8:123456", 9, 123456));
    EXPECT_FALSE(journalStreamMatches("", 0, 0));
    EXPECT_FALSE(journalStreamMatches("8", 8, 0));
    EXPECT_FALSE(journalStreamMatches(":123456", 0, 123456));
    EXPECT_FALSE(journalStreamMatches("8:", 8, 0));
    EXPECT_FALSE(journalStreamMatches("8:123456:7", 8, 123456));
    EXPECT_FALSE(journalStreamMatches("8: 123456", 8, 123456));
    EXPECT_FALSE(journalStreamMatches("-8:123456", 8, 123456));
}

// Runs in a process of its own (the decision is taken once, at the first line): standard error is
// a pipe, and JOURNAL_STREAM names it or another file. Exits 0 when the line read back starts as
// expected.
[[noreturn]] void logThroughPipe(bool namePipe, const std::string& expectedStart)
{
    int fds[2];
    if (::pipe(fds) != 0) {
        std::_Exit(2);
    }
    ::dup2(fds[1], STDERR_FILENO);
    struct stat status {};
    ::fstat(STDERR_FILENO, &status);
    const auto inode = namePipe ? status.st_ino : status.st_ino + 1;
    ::setenv("JOURNAL_STREAM", (std::to_string(status.st_dev) + ":" + std::to_string(inode)).c_str(), 1);
    logWarning("keys", "one");
    char buffer[256];
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    const std::string line = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    const std::regex stamp(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} warning keys: one\n)");
    const bool ok = line.rfind(expectedStart, 0) == 0 && std::regex_match(line.substr(expectedStart.size()), stamp);
    std::_Exit(ok ? 0 : 1);
}

TEST(LogDeathTest, LinesCarryThePriorityOnlyWhenStandardErrorIsTheJournal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(logThroughPipe(true, "<4>"), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(logThroughPipe(false, ""), ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace ride
