// SPDX-License-Identifier: GPL-3.0-or-later
// A Windows program under Wine (Debian's wine64) in the roaming program's place: the real console
// types characters the keymap lacks into key_logger.exe, which writes down the key messages it
// gets. Whether it starts before or after the console, with openbox or no window manager, each
// character must arrive as a WM_CHAR from the first press on, every key-down with its key-up;
// after SIGTERM the keymap must be as it was, with no key down.
#include "e2e/console_suite.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include <sys/wait.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::readBytes;
using testing::runAndCapture;
using testing::waitUntil;

// One key string box a character, and a plain key that must stay as it was (virtual key 0x41).
struct KeyRow {
    const char* box;
    const char* keys;
    unsigned character;
};
const std::array<KeyRow, 5> kRows{{{"TXTKEY(6)", "é", 0xE9},
                                   {"TXTKEY(7)", "ü", 0xFC},
                                   {"TXTKEY(8)", "ß", 0xDF},
                                   {"TXTKEY(9)", "中", 0x4E2D},
                                   {"TXTKEY(10)", "a", 0x61}}};
constexpr unsigned kNoName = 0xFC; // VK_NONAME: a keycode Wine has no virtual key for

// "down vk=E1 ...", "char U+00E9", "up vk=E1 ...": kind and number of each key message.
std::vector<std::pair<std::string, unsigned>> keyMessages(const std::string& log)
{
    std::vector<std::pair<std::string, unsigned>> out;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        char kind[16] = {};
        unsigned value = 0;
        if (std::sscanf(line.c_str(), "%15s vk=%x", kind, &value) == 2 ||
            std::sscanf(line.c_str(), "%15s U+%x", kind, &value) == 2) {
            out.emplace_back(kind, value);
        }
    }
    return out;
}

struct Case {
    const char* name;
    bool windowsProgramFirst;
    bool openbox;
};

class WineKeys : public testing::ConsoleSuite<::testing::TestWithParam<Case>, true> {
protected:
    static void SetUpTestSuite()
    {
        for (const char* dir : {"/usr/lib/wine", "/usr/bin"}) { // Debian keeps wine64 in the first
            if (std::filesystem::exists(std::string(dir) + "/wine64")) {
                wineDir = dir;
            }
        }
        if (wineDir.empty()) {
            return;
        }
        ConsoleSuite::SetUpTestSuite();
        if (!x) {
            return;
        }
        pristineKeymap = keymap();
        // Some 15 s, so once; each case copies it.
        cache = new testing::TempDir();
        runAndCapture({wineDir + "/wine64", "wineboot", "-i"}, nullptr, wineEnvironment(*cache / "prefix"));
        runAndCapture({wineDir + "/wineserver", "-w"}, nullptr, wineEnvironment(*cache / "prefix"));
    }
    static void TearDownTestSuite()
    {
        delete std::exchange(cache, nullptr);
        ConsoleSuite::TearDownTestSuite();
    }

    static std::map<std::string, std::string> wineEnvironment(const std::filesystem::path& prefix)
    {
        return {{"WINEPREFIX", prefix.string()},
                {"WINEDEBUG", "-all"},
                {"WINEDLLOVERRIDES", "mscoree,mshtml="},
                {"DISPLAY", xvfb->display()}};
    }

    void SetUp() override
    {
        if (wineDir.empty()) {
            GTEST_SKIP() << "wine64 not found in /usr/lib/wine or /usr/bin: install Debian's wine64 (scripts/setup.sh "
                            "does) to run a Windows program";
        }
        ASSERT_NO_FATAL_FAILURE(ConsoleSuite::SetUp());
        ASSERT_TRUE(std::filesystem::exists(*cache / "prefix" / "system.reg")) << "wineboot made no Wine prefix";
        int copied = -1;
        runAndCapture({"cp", "-a", (*cache / "prefix").string(), prefix().string()}, &copied);
        ASSERT_EQ(copied, 0);
        if (GetParam().openbox) {
            ASSERT_NO_FATAL_FAILURE(startOpenbox());
        }
        plugInSerialLine();
        app->set(u"视频1位置及大小", u"视频1位置上", u"850"); // below it
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cerr << "Windows program's log:\n" << readBytes(caseDir / "keys.log");
        }
        ConsoleSuite::TearDown();
        if (windowsProgram) {
            runAndCapture({wineDir + "/wineserver", "-k"}, nullptr, wineEnvironment(prefix()));
        }
    }

    std::filesystem::path prefix() const { return caseDir / "prefix"; }

    void startWindowsProgram()
    {
        windowsProgram = std::make_unique<ChildProcess>(std::vector<std::string>{wineDir + "/wine64", KEY_LOGGER_EXE,
                                                                                 (caseDir / "keys.log").string(), "700",
                                                                                 "500", "400", "300"},
                                                        wineEnvironment(prefix()), (caseDir / "wine.log").string());
        ASSERT_TRUE(waitUntil([&] { return windowsLog().find("ready") != std::string::npos; }, 60s))
            << "the Windows program did not start";
        // A window manager gives the new window the focus; without one the keys follow the pointer.
        ASSERT_TRUE(!GetParam().openbox || waitUntil([&] { return focusedWindowName() == "Wine key logger"; }, 10s))
            << "the Windows program did not get the focus";
    }

    std::string windowsLog() const { return readBytes(caseDir / "keys.log"); }

    static std::string focusedWindowName()
    {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(x, &focus, &revert);
        char* name = nullptr;
        std::string result;
        if (focus > PointerRoot && XFetchName(x, focus, &name) && name) {
            result = name;
            XFree(name);
        }
        return result;
    }

    // A record with these key flags, several serial polls before the next one.
    void arrive(const std::string& flags)
    {
        pty->write(":::S=-30xxx039xxxxxx,DI" + flags + "."); // the pointer at (802, 600)
        std::this_thread::sleep_for(120ms);
    }

    // Bike keys 1 to 5 pressed one after the other, then all released.
    void pressEachKey()
    {
        for (std::size_t i = 0; i < kRows.size(); ++i) {
            arrive(std::string(i, 'B') + 'A' + std::string(5 - i, 'B'));
        }
        arrive("BBBBBB");
    }

    static std::vector<KeySym> keymap()
    {
        int minCode = 0;
        int maxCode = 0;
        XDisplayKeycodes(x, &minCode, &maxCode);
        int perCode = 0;
        KeySym* syms = XGetKeyboardMapping(x, KeyCode(minCode), maxCode - minCode + 1, &perCode);
        std::vector<KeySym> out(syms, syms + (maxCode - minCode + 1) * perCode);
        XFree(syms);
        return out;
    }

    static inline std::string wineDir;
    static inline std::vector<KeySym> pristineKeymap;
    static inline testing::TempDir* cache = nullptr;
    std::unique_ptr<ChildProcess> windowsProgram;
};

TEST_P(WineKeys, EveryCharacterArrivesFromTheFirstPressAndTheKeymapIsGivenBackOnSigterm)
{
    if (GetParam().windowsProgramFirst) {
        ASSERT_NO_FATAL_FAILURE(startWindowsProgram());
    }
    ASSERT_TRUE(app->startShown(20s)) << "no console window";
    std::vector<std::pair<std::string, std::string>> keyStrings;
    for (const KeyRow& row : kRows) {
        keyStrings.emplace_back(row.box, row.keys);
    }
    ASSERT_TRUE(app->setTexts(keyStrings)) << "the key string boxes were not set";
    if (!GetParam().windowsProgramFirst) {
        // Keycodes lent before the Windows program starts: it must find them in the keymap.
        pressEachKey();
        ASSERT_NO_FATAL_FAILURE(startWindowsProgram());
    }
    arrive("BBBBBB");
    ASSERT_TRUE(waitUntil([&] { return windowsLog().find("cursor 802 600") != std::string::npos; }, 10s))
        << "the pointer did not reach the Windows program's window";

    pressEachKey();
    pressEachKey();
    const std::size_t expected = 2 * kRows.size() * 3;
    waitUntil([&] { return keyMessages(windowsLog()).size() >= expected; }, 10s);
    std::this_thread::sleep_for(300ms); // anything more that would come
    const auto got = keyMessages(windowsLog());
    ASSERT_EQ(got.size(), expected) << "a key-down, its character and its key-up for each press";
    for (std::size_t press = 0; press < 2 * kRows.size(); ++press) {
        const KeyRow& row = kRows[press % kRows.size()];
        const auto& [down, ch, up] = std::tie(got[3 * press], got[3 * press + 1], got[3 * press + 2]);
        const std::string what =
            std::string(row.box) + " \"" + row.keys + "\", press " + std::to_string(press / kRows.size() + 1);
        EXPECT_EQ(down.first, "down") << what;
        if (row.character == 'a') {
            EXPECT_EQ(down.second, 0x41u) << what;
        } else {
            EXPECT_NE(down.second, kNoName) << what;
        }
        EXPECT_EQ(ch, std::pair(std::string("char"), row.character)) << what;
        EXPECT_EQ(up, std::pair(std::string("up"), down.second)) << what;
    }

    const int status = app->process().stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "SIGTERM ends the console in order: " << status;
    EXPECT_EQ(keymap(), pristineKeymap) << "keycodes left bound";
    char down[32] = {};
    XQueryKeymap(x, down);
    EXPECT_EQ(std::string(down, 32), std::string(32, '\0')) << "a key left down";
    EXPECT_EQ(readBytes(app->logFile()).find(" warning keys: "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(, WineKeys,
                         ::testing::Values(Case{"WindowsProgramFirst", true, false}, Case{"ConsoleFirst", false, false},
                                           Case{"WindowsProgramFirstWithOpenbox", true, true},
                                           Case{"ConsoleFirstWithOpenbox", false, true}),
                         [](const ::testing::TestParamInfo<Case>& param) { return param.param.name; });

} // namespace
} // namespace ride
