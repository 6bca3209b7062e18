// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/text.h"
#include "check/check_report.h"
#include "check/settings_file_verdict.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ride {
namespace {

TEST(CheckReport, ExitCodeAndSummaryFollowTheWorstFinding)
{
    CheckReport report;
    EXPECT_EQ(report.exitCode(), kCheckPassed);
    report.ok("a");
    report.warning("b");
    report.warning("c");
    EXPECT_EQ(report.exitCode(), kCheckPassed);
    EXPECT_EQ(summaryLine(report), "0 problems, 2 warnings: nothing stops the installation working");
    report.problem("d");
    EXPECT_EQ(report.exitCode(), kCheckFoundProblems);
    EXPECT_EQ(report.count(FindingLevel::Problem), 1);
    EXPECT_EQ(summaryLine(report), "1 problem, 2 warnings: the installation would not work as set up");
}

TEST(CheckReport, EachFindingIsOneLineWithItsLevelInFront)
{
    std::ostringstream out;
    CheckReport report;
    report.ok("before the echo");
    report.echoTo(&out);
    report.ok("fine");
    report.warning("two\nlines\r\nmade one");
    report.problem("broken");
    EXPECT_EQ(out.str(), "ok      fine\nwarning two lines  made one\nPROBLEM broken\n");
    ASSERT_EQ(report.findings().size(), 4u);
    EXPECT_EQ(formatFinding(report.findings()[0]), "ok      before the echo");
}

class SettingsFileVerdictTest : public ::testing::Test {
protected:
    SettingsFileVerdict judge(const std::string& bytes) const
    {
        testing::writeBytes(file_, bytes);
        return judgeSettingsFile(file_);
    }
    testing::TempDir dir_;
    std::filesystem::path file_ = dir_ / std::filesystem::path(u8"配置.ini");
};

TEST_F(SettingsFileVerdictTest, AFileOfSectionsInGbkCanBeChecked)
{
    EXPECT_TRUE(judge(toGbk(u"; 注释\r\n[串口设置]\r\n端口=1\r\n")).readable);
    // Keys outside any known section are the review's business, not a reason to refuse.
    EXPECT_TRUE(judge("[other]\nkey=value").readable);
    EXPECT_TRUE(judge("  [s]  \n").readable);
}

TEST_F(SettingsFileVerdictTest, MissingUnopenableAndOddFilesAreRefused)
{
    EXPECT_EQ(judgeSettingsFile(dir_ / "none.ini").reason, "does not exist");
    EXPECT_EQ(judgeSettingsFile(dir_.path()).reason, "is a directory");
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(judgeSettingsFile(dir_ / "fifo").reason, "is not a regular file"); // and does not hang
    if (::geteuid() != 0) {
        testing::writeBytes(file_, "[s]\n");
        ::chmod(file_.c_str(), 0);
        EXPECT_EQ(judgeSettingsFile(file_).reason, "cannot be opened: Permission denied");
    }
}

TEST_F(SettingsFileVerdictTest, ContentThatIsNoSettingsFileIsRefused)
{
    EXPECT_EQ(judge("").reason, "is empty");
    EXPECT_EQ(judge(std::string("[s]\nk=v\0w\n", 10)).reason, "holds a NUL byte (at byte 7): not a text file");
    EXPECT_EQ(judge("key=value\nno header at all\n").reason,
              "has no section line such as [串口设置]: not a settings file");
    // 0xFF never starts a GBK character.
    EXPECT_EQ(judge("[s]\nk=v\n\xFF\xFF\n").reason, "is not GBK text (line 3)");
    // The same text saved as UTF-8 by mistake: an odd number of three-byte characters leaves a
    // byte that is no GBK character.
    EXPECT_EQ(judge("[\xE4\xB8\xB2\xE5\x8F\xA3\xE8\xAE\xBE\xE7\xBD\xAE]\nk=\xE6\xAD\xA3\n").reason,
              "is not GBK text (line 2); it is UTF-8: convert it with iconv -f UTF-8 -t GBK");
}

TEST_F(SettingsFileVerdictTest, RandomBytesAreNeverTakenForSettings)
{
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        std::string bytes(4096, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random());
            // Half the rounds without NUL bytes, so that the other rules are tried too.
            if (c == '\0' && round % 2 == 1) {
                c = '\x01';
            }
        }
        const SettingsFileVerdict verdict = judge(bytes);
        EXPECT_FALSE(verdict.readable) << "round " << round;
        EXPECT_FALSE(verdict.reason.empty());
    }
}

} // namespace
} // namespace ride
