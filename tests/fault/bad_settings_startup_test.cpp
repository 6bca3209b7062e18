// SPDX-License-Identifier: GPL-3.0-or-later
// The real program started on settings files nobody checked: bytes that are no GBK, ten thousand
// lines, a directory in place of the file, a read-only file in a read-only directory, a file cut off
// after a lone CR. Every time the console comes up, reads what can be read, and keeps running.
#include "base/text.h"
#include "e2e/console_app.h"
#include "support/file_bytes.h"
#include "support/xvfb_server.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include <sys/stat.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::ConsoleApp;
using testing::kConsoleTitle;
using testing::readBytes;
using testing::writeBytes;

struct BadFile {
    const char* what;
    std::function<void(const ConsoleApp&)> make;
    int expectedLeft; // where the console must stand, from a setting the file still carries
};

TEST(BadSettingsStartup, TheConsoleComesUpOnEveryBrokenFileAndKeepsRunning)
{
    testing::XvfbServer xvfb(1280, 1024);
    const std::string left = toGbk(u"[控制界面]\r\n窗口位置左=120\r\n");
    const BadFile files[] = {
        {"invalid GBK",
         [&](const ConsoleApp& app) {
             writeBytes(app.settingsFile(), "\x81\xff[\x80]\r\nx=\xfe\r\n" + left + "\xff\xff=\x81\x30\r\n" +
                                                toGbk(u"[串口设置]\r\n设置=") + "\x81\r\n");
         },
         120},
        {"ten thousand lines",
         [&](const ConsoleApp& app) {
             std::string file;
             for (int i = 0; i < 10000; ++i) {
                 file += (i % 100 == 0 ? "[s" + std::to_string(i) + "]\r\n" : "k" + std::to_string(i) + "=v\r\n");
             }
             writeBytes(app.settingsFile(), file + left);
         },
         120},
        {"a directory in its place",
         [](const ConsoleApp& app) { std::filesystem::create_directory(app.settingsFile()); }, 0},
        {"read-only file in a read-only directory",
         [&](const ConsoleApp& app) {
             writeBytes(app.settingsFile(), left);
             ::chmod(app.settingsFile().c_str(), 0444);
             ::chmod(app.directory().c_str(), 0555);
         },
         120},
        {"cut off after a lone CR", [&](const ConsoleApp& app) { writeBytes(app.settingsFile(), left + "[a]\r"); },
         120},
    };

    for (const BadFile& bad : files) {
        SCOPED_TRACE(bad.what);
        ConsoleApp app(xvfb.display());
        bad.make(app);
        app.start();
        const auto console = app.findWindow(kConsoleTitle, true, 15s);
        ASSERT_TRUE(console) << "the console did not come up";
        EXPECT_EQ(app.geometry(*console).x, bad.expectedLeft);
        std::this_thread::sleep_for(1s);
        EXPECT_TRUE(app.process().running()) << "the console ended by itself";
        app.process().stop();
        ::chmod(app.directory().c_str(), 0755);
    }
}

// A save cut short leaves its temporary file beside the settings; the next start clears away the
// old ones, says so, and keeps everything else.
TEST(BadSettingsStartup, LeftoversOfCutShortSavesAreSweptAtStart)
{
    testing::XvfbServer xvfb(1280, 1024);
    ConsoleApp app(xvfb.display());
    const std::string settings = toGbk(u"[控制界面]\r\n窗口位置左=120\r\n");
    writeBytes(app.settingsFile(), settings);
    const auto leftover = app.directory() / ".配置.ini.saving.Qx71bZ";
    const auto recent = app.directory() / ".配置.ini.saving.Rr20aa";
    const auto backup = app.directory() / ".配置.ini.backup";
    for (const auto& file : {leftover, recent, backup}) {
        writeBytes(file, settings.substr(0, 7));
    }
    const auto aDayAgo = std::filesystem::file_time_type::clock::now() - 24h;
    std::filesystem::last_write_time(leftover, aDayAgo);
    std::filesystem::last_write_time(backup, aDayAgo);

    app.start();
    ASSERT_TRUE(app.findWindow(kConsoleTitle, true, 15s)) << "the console did not come up";
    EXPECT_FALSE(std::filesystem::exists(leftover));
    EXPECT_TRUE(std::filesystem::exists(recent)) << "a save may still be writing it";
    EXPECT_TRUE(std::filesystem::exists(backup));
    EXPECT_EQ(readBytes(app.settingsFile()), settings);
    app.process().stop();
    const std::string logText = readBytes(app.logFile());
    EXPECT_NE(logText.find("removed " + leftover.string() + ", left by a save that was cut short"), std::string::npos)
        << logText;
}

} // namespace
} // namespace ride
