// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/profile_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <regex>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ride {
namespace {
namespace fs = std::filesystem;
using namespace std::string_literals;

// Each test works in a directory of its own, with the file under the name the console uses.
class ProfileFile : public ::testing::Test {
protected:
    void put(const std::string& bytes) const { testing::writeBytes(file_, bytes); }
    std::string bytes() const { return testing::readBytes(file_); }
    Text read(TextView section, TextView key) const { return ReadIni(file_, section, key); }
    bool write(TextView section, TextView key, TextView value) const { return WriteIni(file_, section, key, value); }
    int temporaryFiles() const
    {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            count += entry.path().filename().string().starts_with(".\xE9\x85\x8D\xE7\xBD\xAE.ini.");
        }
        return count;
    }

    // Removed with everything in it, whatever rights a test left on it.
    testing::TempDir dir_;
    fs::path file_ = dir_ / fs::path(u8"配置.ini");
};

using ProfileEncoding = ProfileFile;
using ProfileLimits = ProfileFile;
using ProfileLines = ProfileFile;
using ProfileFaults = ProfileFile;

TEST_F(ProfileEncoding, ChineseNamesAndValuesAreStoredAsGbk)
{
    ASSERT_TRUE(write(u"网络参数", u"配置", u"中文值"));
    EXPECT_EQ(bytes(), "[" + toGbk(u"网络参数") + "]\r\n\xC5\xE4\xD6\xC3=" + toGbk(u"中文值") + "\r\n");
    EXPECT_EQ(read(u"网络参数", u"配置"), u"中文值");

    put("[\xC5\xE4\xD6\xC3]\nkey=\xC5\xE4\n");
    EXPECT_EQ(read(u"配置", u"key"), u"配");
}

TEST_F(ProfileEncoding, SettingsFileLiesBesideTheProgram)
{
    const fs::path path = settingsFilePath();
    EXPECT_EQ(path.filename().string(), "\xE9\x85\x8D\xE7\xBD\xAE.ini");
    EXPECT_EQ(path.parent_path(), programDirectory());
    EXPECT_TRUE(fs::is_directory(programDirectory()));
    EXPECT_TRUE(programDirectory().is_absolute());
}

TEST_F(ProfileLimits, ValuesAreCutToWhatTheBuffersHold)
{
    const Text a200(200, u'a');
    put("[s]\nascii=" + std::string(200, 'a') + "\n");
    EXPECT_EQ(read(u"s", u"ascii"), Text(127, u'a'));

    ASSERT_TRUE(write(u"s", u"ascii", a200));
    EXPECT_EQ(bytes(), "[s]\nascii=" + std::string(128, 'a') + "\n");

    const Text chinese70(70, u'中');
    ASSERT_TRUE(write(u"s", u"c", chinese70));
    EXPECT_EQ(read(u"s", u"c"), Text(63, u'中'));
    ASSERT_TRUE(write(u"s", u"c", u"a" + Text(63, u'中')));
    EXPECT_EQ(read(u"s", u"c"), u"a" + Text(63, u'中'));
    ASSERT_TRUE(write(u"s", u"c", u"ab" + Text(63, u'中'))); // byte 127 is half a character
    EXPECT_EQ(read(u"s", u"c"), u"ab" + Text(62, u'中'));

    // 128 characters, one of them a surrogate pair: "b" is the 128th and stays.
    ASSERT_TRUE(write(u"s", u"pair", Text(126, u'a') + u"\U0001F600bc"));
    EXPECT_NE(bytes().find("pair=" + std::string(126, 'a') + "?b\n"), std::string::npos);

    ASSERT_TRUE(write(u"s", u"nul", Text(u"ab\0cd", 5)));
    ASSERT_TRUE(write(u"s", u"crlf", u"ab\r\ncd"));
    EXPECT_NE(bytes().find("\nnul=ab\ncrlf=ab\n"), std::string::npos);
}

TEST_F(ProfileLimits, CutValuesAreToldApart)
{
    const std::string chinese63 = toGbk(Text(63, u'中'));
    put("[s]\nexact=" + std::string(127, 'a') + "\nlong=" + std::string(128, 'a') +
        "\nblanks=  " + std::string(127, 'a') + "  \nquoted=\"" + std::string(127, 'a') + "\"\nwide=" + chinese63 +
        "\nwider=a" + chinese63 + "\nhalf=ab" + chinese63 + "\n");
    EXPECT_FALSE(IniValueIsCut(file_, u"s", u"exact"));
    EXPECT_TRUE(IniValueIsCut(file_, u"s", u"long"));
    // Blanks and quotes around the value are not part of it.
    EXPECT_FALSE(IniValueIsCut(file_, u"s", u"blanks"));
    EXPECT_FALSE(IniValueIsCut(file_, u"s", u"quoted"));
    EXPECT_FALSE(IniValueIsCut(file_, u"s", u"wide"));
    EXPECT_FALSE(IniValueIsCut(file_, u"s", u"wider"));
    // Byte 127 is the first half of a character: the whole character is dropped.
    EXPECT_TRUE(IniValueIsCut(file_, u"s", u"half"));
    EXPECT_EQ(read(u"s", u"half"), u"ab" + Text(62, u'中'));
    EXPECT_FALSE(IniValueIsCut(file_, u"s", u"absent"));
    EXPECT_FALSE(IniValueIsCut(dir_ / "none.ini", u"s", u"long"));
}

TEST_F(ProfileLimits, ValuesAreTrimmedAndUnquoted)
{
    put("[s]\r\n"
        "a=  640  \r\n"
        "b=\t640\t\r\n"
        "c=\r\n"
        "  d \t=v\r\n"
        "e=ab\0cd\r\n"
        "f=\"  x y \"\r\n"
        "g='q'\r\n"
        "h=\"x'\r\n"
        "i=a=b\r\n"s);
    const struct {
        const char16_t* key;
        const char16_t* value;
    } cases[] = {{u"a", u"640"}, {u"b", u"640"}, {u"c", u""},  {u"d", u"v"},    {u" d ", u"v"},
                 {u"e", u"ab"},  {u"f", u"x y"}, {u"g", u"q"}, {u"h", u"\"x'"}, {u"i", u"a=b"}};
    for (const auto& c : cases) {
        EXPECT_EQ(read(u"s", c.key), c.value) << toUtf8(c.key);
    }
}

TEST_F(ProfileLines, WritingAKeyRewritesOnlyItsLine)
{
    const std::string before = "; written by hand\r\nloose=1\r\n[other]\r\nkey=x\r\n\r\n"
                               "[s]\r\n; comment\r\nno equals sign\r\n\xFF\xC5 bad=\x80\xFE\r\n";
    const std::string after = "\r\n[third]\r\nz=\xC5\r\n  \r\n";
    put(before + "key = old value\r\n" + after);
    ASSERT_TRUE(write(u"s", u"key", u"new"));
    EXPECT_EQ(bytes(), before + "key=new\r\n" + after);

    // A missing key goes after the section's last filled line, ahead of its blank separators.
    ASSERT_TRUE(write(u"other", u"added", u"v"));
    EXPECT_EQ(bytes(), "; written by hand\r\nloose=1\r\n[other]\r\nkey=x\r\nadded=v\r\n\r\n"
                       "[s]\r\n; comment\r\nno equals sign\r\n\xFF\xC5 bad=\x80\xFE\r\nkey=new\r\n" +
                           after);
}

TEST_F(ProfileLines, MissingFileSectionAndKeyAreAdded)
{
    EXPECT_EQ(read(u"网络参数", u"k"), u"");
    ASSERT_TRUE(write(u"网络参数", u"k", u"v"));
    EXPECT_EQ(bytes(), "[" + toGbk(u"网络参数") + "]\r\nk=v\r\n");

    put("[a]\nx=1\n\n[b]\ny=2"); // LF, no line end at the end
    ASSERT_TRUE(write(u"c", u"z", u"3"));
    EXPECT_EQ(bytes(), "[a]\nx=1\n\n[b]\ny=2\n[c]\nz=3\n");
    ASSERT_TRUE(write(u"a", u"w", u""));
    EXPECT_EQ(bytes(), "[a]\nx=1\nw=\n\n[b]\ny=2\n[c]\nz=3\n");
    ASSERT_TRUE(write(u"a", u"x", u""));
    EXPECT_EQ(bytes(), "[a]\nx=\nw=\n\n[b]\ny=2\n[c]\nz=3\n");
    EXPECT_EQ(read(u"a", u"x"), u"");

    put("[a]");
    ASSERT_TRUE(write(u"a", u"k", u"1"));
    EXPECT_EQ(bytes(), "[a]\r\nk=1\r\n");
}

TEST_F(ProfileLines, FirstMatchWinsWithoutRegardToCase)
{
    put("[Net]\nKey=1\nkey=2\n[ net ]\nkey=3\n[\xC5\xE4\xD6\xC3]x\nKEY=4\n");
    EXPECT_EQ(read(u"NET", u"kEY"), u"1");
    EXPECT_EQ(read(u" net ", u" key"), u"1");
    EXPECT_EQ(read(u"配置", u"key"), u"4");
    ASSERT_TRUE(write(u"net", u"KEY", u"9"));
    EXPECT_EQ(bytes(), "[Net]\nKEY=9\nkey=2\n[ net ]\nkey=3\n[\xC5\xE4\xD6\xC3]x\nKEY=4\n");
}

// No cache: a hand edit of the same size within the same second is seen at once.
TEST_F(ProfileLines, EveryReadSeesTheLatestEdit)
{
    put("[s]\nk=1\n");
    struct stat first {};
    ASSERT_EQ(::stat(file_.c_str(), &first), 0);
    EXPECT_EQ(read(u"s", u"k"), u"1");
    put("[s]\nk=2\n");
    const struct timespec times[2] = {first.st_atim, first.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file_.c_str(), times, 0), 0);
    EXPECT_EQ(read(u"s", u"k"), u"2");
    ASSERT_TRUE(write(u"s", u"k", u"3"));
    EXPECT_EQ(read(u"s", u"k"), u"3");
}

TEST_F(ProfileFaults, ReadOnlyFileOrDirectoryDropsTheWrite)
{
    put("[s]\nk=1\n");
    fs::permissions(file_, fs::perms(0444));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(write(u"网络参数", u"k", u"2"));
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::regex_match(log, std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} error settings: "
                                                 "\xE9\x85\x8D\xE7\xBD\xAE\\.ini: write of \\[" +
                                                 toUtf8(u"网络参数") + "\\] k dropped: .+\n")))
        << log;
    EXPECT_EQ(bytes(), "[s]\nk=1\n");
    EXPECT_EQ(fs::status(file_).permissions(), fs::perms(0444));

    fs::permissions(file_, fs::perms(0644));
    fs::permissions(dir_.path(), fs::perms(0555));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(write(u"s", u"k", u"2"));
    EXPECT_FALSE(::testing::internal::GetCapturedStderr().empty());
    EXPECT_EQ(bytes(), "[s]\nk=1\n");
    EXPECT_EQ(temporaryFiles(), 0);
}

TEST_F(ProfileFaults, DirectoryOrMissingDirectoryIsNoFile)
{
    fs::create_directory(file_);
    EXPECT_EQ(read(u"s", u"k"), u"");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(write(u"s", u"k", u"v"));
    EXPECT_FALSE(WriteIni(dir_ / "missing" / "x.ini", u"s", u"k", u"v"));
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2) << log;
    EXPECT_TRUE(fs::is_directory(file_));
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(ProfileFaults, WriteKeepsFilePermissions)
{
    put("[s]\nk=1\n");
    fs::permissions(file_, fs::perms(0640));
    ASSERT_TRUE(write(u"s", u"k", u"2"));
    EXPECT_EQ(fs::status(file_).permissions(), fs::perms(0640));
    EXPECT_EQ(temporaryFiles(), 0);
}

TEST_F(ProfileFaults, InvalidGbkBytesNeverBreakReading)
{
    put("[s]\na=\x80\nb=\xFF\xFFz\nc=ab\xC5\nd=\xC5\n");
    EXPECT_EQ(read(u"s", u"a"), u"€"); // 0x80 is the euro sign in code page 936
    EXPECT_EQ(read(u"s", u"b"), u"\uFFFD\uFFFDz");
    EXPECT_EQ(read(u"s", u"c"), u"ab\uFFFD");
    EXPECT_EQ(read(u"s", u"d"), u"\uFFFD");

    // Random bytes rich in the characters the format cares about; every key is read, and a
    // write adds its section at the end while keeping every byte before it.
    std::mt19937 random(7);
    const char special[] = {'[', ']', '=', '\n', '\r', ' ', '\t', '"', '\0', 'k'};
    for (int round = 0; round < 200; ++round) {
        std::string content(random() % 2000, '\0');
        for (char& c : content) {
            c = random() % 3 ? static_cast<char>(random()) : special[random() % sizeof special];
        }
        put(content);
        for (char16_t k = u'a'; k <= u'z'; ++k) {
            EXPECT_LE(read(Text(1, k), u"k").size(), 127u);
        }
        ASSERT_TRUE(write(u"新节", u"k", u"值"));
        const std::string written = bytes();
        ASSERT_EQ(written.compare(0, content.size(), content), 0) << "round " << round;
        ASSERT_EQ(read(u"新节", u"k"), u"值") << "round " << round;
    }
}

// A writer killed at any moment leaves the old file or the new one, never a mix; at most the
// temporary file of the killed writer stays behind.
TEST_F(ProfileFaults, KilledWriterLeavesAWholeFile)
{
    const Text valueA(128, u'a');
    const Text valueB(128, u'中');
    std::string head = toGbk(u"[网络参数]") + "\r\n";
    std::string tail;
    for (int i = 0; i < 5000; ++i) {
        head += "key" + std::to_string(i) + "=" + toGbk(u"一些设置值") + " 0123456789\r\n";
        tail += "later" + std::to_string(i) + "=x" + std::to_string(i * 7) + "\r\n";
    }
    const std::string fileA = head + "target=" + toGbk(valueA) + "\r\n" + tail;
    const std::string fileB = head + "target=" + toGbk(valueB) + "\r\n" + tail;
    put(fileA);

    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(write(u"网络参数", u"target", valueB));
    ASSERT_TRUE(write(u"网络参数", u"target", valueA));
    const auto oneWrite =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count() / 2;
    ASSERT_EQ(bytes(), fileA);

    std::mt19937 random(99);
    int sawB = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    for (int kill = 0; kill < 200 && std::chrono::steady_clock::now() < deadline; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                if (!WriteIni(file_, u"网络参数", u"target", valueB) ||
                    !WriteIni(file_, u"网络参数", u"target", valueA)) {
                    ::_exit(2);
                }
            }
        }
        // Kills land anywhere within a few whole write cycles, however fast the disk is.
        const auto span = static_cast<unsigned long>(std::clamp<long>(3 * oneWrite, 3000, 300000));
        ::usleep(static_cast<useconds_t>(random() % span));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "writer failed, status " << status;
        const std::string now = bytes();
        ASSERT_TRUE(now == fileA || now == fileB) << "kill " << kill << ": " << now.size() << " bytes";
        sawB += now == fileB;
        ASSERT_LE(temporaryFiles(), 1) << "kill " << kill;
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            if (entry.path() != file_) {
                fs::remove(entry.path());
            }
        }
    }
    EXPECT_GT(sawB, 0) << "no write finished before a kill";
}

// What interrupted writes leave is swept once it is old; a write that may still be running, and
// anything that is not exactly such a leftover, stays.
TEST_F(ProfileFaults, SweepRemovesOnlyAbandonedTemporaryFiles)
{
    put("[a]\r\nk=1\r\n");
    const std::string prefix = ".\xE9\x85\x8D\xE7\xBD\xAE.ini.saving.";
    const auto age = [](const fs::path& path, std::chrono::seconds by) {
        fs::last_write_time(path, fs::file_time_type::clock::now() - by);
    };
    const auto make = [&](const std::string& name, std::chrono::seconds old) {
        std::ofstream(dir_ / name) << "[a]\r\nk=";
        age(dir_ / name, old);
        return dir_ / name;
    };
    const fs::path abandoned = make(prefix + "Ab12Cd", std::chrono::hours(30));
    const fs::path justOld = make(prefix + "Zz99zz", std::chrono::seconds(61));
    const fs::path inProgress = make(prefix + "q1w2e3", std::chrono::seconds(5));
    const fs::path backup = make(".\xE9\x85\x8D\xE7\xBD\xAE.ini.backup", std::chrono::hours(30));
    const fs::path otherLength = make(prefix + "abcdefg", std::chrono::hours(30));
    const fs::path notOurs = make(prefix + "ab-de~", std::chrono::hours(30));
    const fs::path otherFile = make(".other.ini.saving.Ab12Cd", std::chrono::hours(30));
    fs::create_directory(dir_ / (prefix + "dir123"));
    age(dir_ / (prefix + "dir123"), std::chrono::hours(30));
    fs::create_symlink(file_, dir_ / (prefix + "lnk123"));
    age(dir_ / (prefix + "lnk123"), std::chrono::hours(30)); // ages the target it points to

    std::vector<fs::path> removed = sweepAbandonedTemporaryFiles(file_, std::chrono::minutes(1));
    std::sort(removed.begin(), removed.end());
    std::vector<fs::path> expected{abandoned, justOld};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(removed, expected);
    for (const fs::path& kept : {inProgress, backup, otherLength, notOurs, otherFile, file_}) {
        EXPECT_TRUE(fs::exists(kept)) << kept;
    }
    EXPECT_TRUE(fs::is_directory(dir_ / (prefix + "dir123")));
    EXPECT_TRUE(fs::is_symlink(dir_ / (prefix + "lnk123")));
    EXPECT_EQ(read(u"a", u"k"), u"1");

    // A directory that cannot be listed is no reason to fail.
    EXPECT_TRUE(sweepAbandonedTemporaryFiles(dir_ / "missing" / "x.ini", std::chrono::minutes(1)).empty());
}

} // namespace
} // namespace ride
