// The log sink: one whole line per call, with its timestamp, level and subsystem.
#include "base/log.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

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

} // namespace
} // namespace ride
