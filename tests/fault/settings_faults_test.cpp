// SPDX-License-Identifier: GPL-3.0-or-later
// Settings files as installers leave them: read-only, in a read-only directory, replaced by a
// directory, holding bytes that are no GBK, ten thousand lines long, cut off after a lone CR. The
// console starts with what it can read, "保存" writes what it can and says on standard error what it
// could not, and no line of the file that "保存" does not own is ever changed or lost.
#include "fault/save_values.h"
#include "fault/stderr_capture.h"
#include "settings/profile_file.h"
#include "support/count_of.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

#include <gtest/gtest.h>

#include <chrono>

#include <sys/stat.h>

namespace ride {
namespace {

namespace fs = std::filesystem;
using testing::countOf;
using testing::readBytes;
using testing::writeBytes;

// A whole settings file as an installer writes it (GBK, CR LF).
std::string installerFile()
{
    return toGbk(u"[控制界面]\r\n窗口位置左=100\r\n速度比例系数=0.5\r\n鼠标X方向移动宽度=800\r\n"
                 u"[网络参数]\r\nTxtTcpIp0=127.0.0.1\r\nTxtTcpPost0=8001\r\nTxtTcp通道名称0=车1\r\n"
                 u"TxtTCP同步到其它端口0=\r\n发送失败处理方法0=尝试循环\r\n");
}

// Every line of `before` that is not one of the five network keys is in `after`, byte for byte and
// in the same order.
void expectOnlyNetworkKeysChanged(const std::string& before, const std::string& after)
{
    const auto otherLines = [](const std::string& bytes) {
        std::vector<std::string> lines = testing::linesOf(bytes);
        std::erase_if(lines, [](const std::string& line) { return testing::networkKeyOf(line).has_value(); });
        return lines;
    };
    const std::vector<std::string> kept = otherLines(before);
    const std::vector<std::string> now = otherLines(after);
    ASSERT_EQ(kept.size(), now.size());
    for (std::size_t i = 0; i < kept.size(); ++i) {
        ASSERT_EQ(kept[i], now[i]) << "line " << i;
    }
}

class SettingsFaults : public ::testing::Test {
protected:
    fs::path ini() const { return dir / "配置.ini"; }

    // The console still decodes and moves the pointer.
    static void expectConsoleWorks(testing::TestSite& w)
    {
        w.arrive(u":::S=010xxx090xxxxxx,DIBBBBBB.");
        EXPECT_EQ(w.cursor().at.x, w.console().xTravel() / 2);
        EXPECT_TRUE(w.console().Text1.text().empty());
    }

    testing::TempDir dir;
};

TEST_F(SettingsFaults, ReadOnlyFileIsReadWholeAndASaveIsLoggedNotApplied)
{
    writeBytes(ini(), installerFile());
    ::chmod(ini().c_str(), 0444);
    testing::TestSite w({.settingsFile = ini()});
    EXPECT_EQ(w.console().speedCoefficient(), 0.5);
    EXPECT_EQ(w.console().xTravel(), 800);
    EXPECT_EQ(w.channel().TxtTcpIp.text(), u"127.0.0.1");
    EXPECT_EQ(w.channel().CMB发送失败处理方法.text(), u"尝试循环");

    w.channel().TxtTcpIp.setText(u"10.0.0.9");
    testing::StderrCapture log((dir / "stderr.log").string());
    w.network().Command2.click();
    log.restore();
    EXPECT_EQ(readBytes(ini()), installerFile()) << "a read-only file is left as it is";
    EXPECT_EQ(countOf(log.text(), "dropped: file is read-only"), 5) << log.text();
    struct stat info {};
    ::stat(ini().c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0444u);
    EXPECT_EQ(w.channel().TxtTcpIp.text(), u"10.0.0.9") << "the box keeps the edit for this run";
    expectConsoleWorks(w);
}

TEST_F(SettingsFaults, ReadOnlyDirectoryDropsTheSaveAndLeavesNoTemporaryFile)
{
    writeBytes(ini(), installerFile());
    ::chmod(dir.path().c_str(), 0555);
    testing::TestSite w({.settingsFile = ini()});
    w.channel().TxtTcpPost.setText(u"9000");
    testing::StderrCapture log((dir / ".." / (dir.path().filename().string() + "-stderr.log")).string());
    w.network().saveSettings();
    log.restore();
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(readBytes(ini()), installerFile());
    EXPECT_EQ(countOf(log.text(), "dropped: directory is read-only"), 5) << log.text();
    fs::remove(dir.path().parent_path() / (dir.path().filename().string() + "-stderr.log"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    expectConsoleWorks(w);
}

TEST_F(SettingsFaults, FileReplacedByADirectoryGivesDefaultsAndIsNeverTouched)
{
    fs::create_directory(ini());
    writeBytes(ini() / "keep.txt", "inside");
    testing::StderrCapture log((dir / "stderr.log").string());
    testing::TestSite w({.settingsFile = ini()});
    EXPECT_EQ(w.console().speedCoefficient(), 7.2);
    EXPECT_EQ(w.console().xTravel(), 1024);
    EXPECT_EQ(w.console().yTravel(), 768);
    EXPECT_TRUE(w.channel().TxtTcpIp.text().empty());
    EXPECT_EQ(w.channel().CMB发送失败处理方法.text(), u"忽略");
    w.channel().TxtTcpIp.setText(u"127.0.0.1");
    w.network().saveSettings();
    log.restore();
    EXPECT_TRUE(fs::is_directory(ini()));
    EXPECT_EQ(readBytes(ini() / "keep.txt"), "inside");
    EXPECT_EQ(countOf(log.text(), "dropped: not a regular file"), 5) << log.text();
    expectConsoleWorks(w);
}

TEST_F(SettingsFaults, InvalidGbkReadsAsWhatItCanAndSavingKeepsEveryOtherByte)
{
    // Lead bytes without trail bytes, 0xFF, a lone lead byte at the very end of a value.
    const std::string file = toGbk(u"[控制界面]\r\n窗口位置左=") + "\x81\x30junk\r\n" + toGbk(u"速度比例系数=0.5\r\n") +
                             toGbk(u"鼠标X方向移动宽度=") + "\xff\xfe" + "800\r\n" + "\x81\xff\x80=\xfe\r\n" +
                             toGbk(u"[网络参数]\r\nTxtTcpIp0=127.0.0.1\r\nTxtTcp通道名称0=") + "\x81\r\n" +
                             "[\x80\xff]\r\nx=\x81";
    writeBytes(ini(), file);
    testing::TestSite w({.settingsFile = ini()});
    EXPECT_EQ(w.console().window.geometry().left, 0) << "a value that starts with no number counts as 0";
    EXPECT_EQ(w.console().speedCoefficient(), 0.5) << "good lines among bad ones are read";
    EXPECT_EQ(w.console().xTravel(), 1024) << "no leading number: the default";
    EXPECT_EQ(w.channel().TxtTcpIp.text(), u"127.0.0.1");
    EXPECT_EQ(w.channel().TxtTcpNam.text(), u"\uFFFD") << "a byte that is no GBK shows as a replacement";
    expectConsoleWorks(w);

    w.network().saveSettings();
    const std::string after = readBytes(ini());
    expectOnlyNetworkKeysChanged(file, after);
    // The one value that held a broken byte comes back as "?": the box never held the byte itself.
    EXPECT_NE(after.find(toGbk(u"TxtTcp通道名称0=?\r\n")), std::string::npos);
    EXPECT_EQ(ReadIni(ini(), u"网络参数", u"TxtTcpIp0"), u"127.0.0.1");
}

TEST_F(SettingsFaults, TenThousandLinesAreReadAndSavedAndOnlyTheNetworkKeysChange)
{
    std::string file = "; hand-made settings\r\n";
    for (int s = 0; s < 100; ++s) {
        file += "[section" + std::to_string(s) + "]\r\n";
        for (int k = 0; k < 98; ++k) {
            file += "key" + std::to_string(k) + "=value " + std::to_string(s * 100 + k) + "\r\n";
        }
        file += "\r\n";
    }
    file += installerFile();
    ASSERT_GE(std::count(file.begin(), file.end(), '\n'), 10000);
    writeBytes(ini(), file);

    const auto start = std::chrono::steady_clock::now();
    testing::TestSite w({.settingsFile = ini()});
    EXPECT_EQ(w.console().speedCoefficient(), 0.5);
    EXPECT_EQ(w.channel().TxtTcpPost.text(), u"8001");
    w.channel().TxtTcpPost.setText(u"8002");
    w.channel().CMB发送失败处理方法.setText(u"只发最后一条");
    w.network().saveSettings();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("10000-line file: load of both windows and one save took %.3f s\n", seconds);
    EXPECT_LT(seconds, 10.0) << "start-up and 保存 must not hang on a long file";

    const std::string after = readBytes(ini());
    expectOnlyNetworkKeysChanged(file, after);
    EXPECT_EQ(ReadIni(ini(), u"网络参数", u"TxtTcpPost0"), u"8002");
    EXPECT_EQ(ReadIni(ini(), u"网络参数", u"发送失败处理方法0"), u"只发最后一条");
    EXPECT_EQ(ReadIni(ini(), u"section99", u"key97"), u"value 9997");
}

TEST_F(SettingsFaults, FileCutOffAfterALoneCrKeepsEverySavedValue)
{
    // A file whose last line lost the LF of its CR LF (cut off, or saved by an old editor). The first
    // key saved into its section used to be glued onto that line, where no read could find it.
    const std::string file = toGbk(u"[控制界面]\r\n速度比例系数=0.5\r\n[网络参数]\r");
    writeBytes(ini(), file);
    {
        testing::TestSite w({.settingsFile = ini()});
        w.channel().TxtTcpIp.setText(u"127.0.0.1");
        w.channel().TxtTcpPost.setText(u"8001");
        w.network().saveSettings();
    }
    testing::TestSite again({.settingsFile = ini()});
    EXPECT_EQ(again.channel().TxtTcpIp.text(), u"127.0.0.1") << readBytes(ini());
    EXPECT_EQ(again.channel().TxtTcpPost.text(), u"8001");
    EXPECT_EQ(again.console().speedCoefficient(), 0.5);
    EXPECT_EQ(readBytes(ini()).rfind(file, 0), 0u) << "the lines before keep their bytes";
}

} // namespace
} // namespace ride
