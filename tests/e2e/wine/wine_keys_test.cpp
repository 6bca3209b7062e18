// A Windows program under Wine in the roaming program's place: the real executable types key
// strings with characters the keymap lacks into key_logger.exe (beside this file), which writes
// down the key messages its window gets. Whether the Windows program starts before or after the
// console, with a window manager (openbox) or none, each character must arrive as a WM_CHAR from
// its first press on, every key-down with its key-up; and once the console has ended on SIGTERM
// the keymap must be as it was, with no key down.
//
// Wine is Debian's wine64; a prefix is made once per run with wineboot and copied for each case.
#include "e2e/console_app.h"
#include "settings/profile_file.h"
#include "support/file_bytes.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "support/xvfb_server.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <sys/wait.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::ConsoleApp;
using testing::kConsoleTitle;
using testing::readBytes;
using testing::runAndCapture;
using testing::waitUntil;

// What each bike key types: one key string box per character, and a plain key to show that
// those stay as they were. `vk` is the virtual key a plain key must bring.
struct KeyRow {
    const char* box;
    const char* keys;
    unsigned character;
    unsigned vk;
};
const std::array<KeyRow, 5> kRows{{
    {"TXTKEY(6)", "é", 0xE9, 0},
    {"TXTKEY(7)", "ü", 0xFC, 0},
    {"TXTKEY(8)", "ß", 0xDF, 0},
    {"TXTKEY(9)", "中", 0x4E2D, 0},
    {"TXTKEY(10)", "a", 0x61, 0x41},
}};
constexpr unsigned kNoName = 0xFC; // VK_NONAME: what Wine sends for a keycode it has no virtual key for

// Speed -30, direction 39: the pointer goes to (802, 600), inside the Windows program's window.
std::string record(const std::string& flags)
{
    return ":::S=-30xxx039xxxxxx,DI" + flags + ".";
}
constexpr const char* kPointerAt = "cursor 802 600";

struct KeyMessage {
    std::string kind; // down, up, char, sysdown, sysup, syschar
    unsigned value = 0;
};

std::vector<KeyMessage> keyMessages(const std::string& log)
{
    std::vector<KeyMessage> out;
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        char kind[16] = {};
        unsigned value = 0;
        if (std::sscanf(line.c_str(), "%15s vk=%x", kind, &value) == 2 ||
            std::sscanf(line.c_str(), "%15s U+%x", kind, &value) == 2) {
            out.push_back({kind, value});
        }
    }
    return out;
}

// wine64 and its wineserver; Debian keeps both in /usr/lib/wine.
struct WineTools {
    std::string wine;
    std::string server;
};

std::optional<WineTools> findWine()
{
    for (const char* dir : {"/usr/lib/wine", "/usr/bin", "/usr/local/bin"}) {
        const std::filesystem::path wine = std::filesystem::path(dir) / "wine64";
        const std::filesystem::path server = std::filesystem::path(dir) / "wineserver";
        if (std::filesystem::exists(wine) && std::filesystem::exists(server)) {
            return WineTools{wine.string(), server.string()};
        }
    }
    return std::nullopt;
}

struct Case {
    const char* name;
    bool windowsProgramFirst;
    bool windowManager;
};

class WineKeys : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite()
    {
        tools = findWine();
        if (!tools) {
            return;
        }
        // One X server for the suite: the accessibility bus stays with the display it started on.
        xvfb = new testing::XvfbServer(1280, 1024);
        x = XOpenDisplay(xvfb->display().c_str());
        if (x) {
            pristineKeymap = keymap();
        }
        // Some 15 s: made once and copied for each case.
        cache = new testing::TempDir();
        int status = -1;
        runAndCapture({tools->wine, "wineboot", "-i"}, &status, wineEnvironment(*cache / "prefix", ""));
        runAndCapture({tools->server, "-w"}, nullptr, wineEnvironment(*cache / "prefix", ""));
        prefixReady = status == 0 && std::filesystem::exists(*cache / "prefix" / "system.reg");
    }
    static void TearDownTestSuite()
    {
        delete cache;
        cache = nullptr;
        if (x) {
            XCloseDisplay(x);
            x = nullptr;
        }
        delete xvfb;
        xvfb = nullptr;
    }

    static std::map<std::string, std::string> wineEnvironment(const std::filesystem::path& prefix,
                                                              const std::string& display)
    {
        return {{"WINEPREFIX", prefix.string()},
                {"WINEDEBUG", "-all"},
                {"WINEDLLOVERRIDES", "mscoree,mshtml="},
                {"DISPLAY", display}};
    }

    void SetUp() override
    {
        if (!tools) {
            GTEST_SKIP() << "wine64 not found in /usr/lib/wine or /usr/bin: install Debian's wine64 and wine "
                            "(scripts/setup.sh does) to run a Windows program here";
        }
        ASSERT_TRUE(prefixReady) << "wineboot could not make a Wine prefix";
        ASSERT_NE(x, nullptr);
        if (GetParam().windowManager) {
            ASSERT_NO_FATAL_FAILURE(startOpenbox());
        }
        int status = -1;
        runAndCapture({"cp", "-a", (*cache / "prefix").string(), prefix().string()}, &status);
        ASSERT_EQ(status, 0);

        app = std::make_unique<ConsoleApp>(xvfb->display());
        pty = std::make_unique<testing::PtyPair>(app->directory());
        ASSERT_TRUE(WriteIni(app->settingsFile(), u"串口设置", u"设置", u"9600,N,8,1"));
        ASSERT_TRUE(WriteIni(app->settingsFile(), u"串口设置", u"端口", fromUtf8(pty->deviceEnd().string())));
        // The player window out of the way of the Windows program's.
        for (const auto& [key, value] :
             {std::pair{u"视频1位置左", u"0"}, {u"视频1位置上", u"850"}, {u"视频1宽", u"160"}, {u"视频1高", u"120"}}) {
            ASSERT_TRUE(WriteIni(app->settingsFile(), u"视频1位置及大小", key, value));
        }
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cerr << "Windows program's log:\n" << readBytes(wineLog()) << "wine:\n" << readBytes(wineOutput());
            if (app) {
                std::cerr << "console log:\n" << readBytes(app->logFile());
            }
        }
        if (app && consoleRunning) {
            app->process().stop();
        }
        if (windowsProgram) {
            runAndCapture({tools->server, "-k"}, nullptr, wineEnvironment(prefix(), xvfb->display()));
            windowsProgram.reset();
        }
        pty.reset();
        app.reset();
        openbox.reset();
        // A case that failed must not hand its bindings to the next one.
        if (x && keymap() != pristineKeymap) {
            int minCode = 0;
            int maxCode = 0;
            XDisplayKeycodes(x, &minCode, &maxCode);
            const int perCode = static_cast<int>(pristineKeymap.size()) / (maxCode - minCode + 1);
            XChangeKeyboardMapping(x, minCode, perCode, pristineKeymap.data(), maxCode - minCode + 1);
            XSync(x, False);
        }
    }

    std::filesystem::path prefix() const { return caseDir / "prefix"; }
    std::filesystem::path wineLog() const { return caseDir / "keys.log"; }
    std::filesystem::path wineOutput() const { return caseDir / "wine.log"; }

    void startOpenbox()
    {
        // Left behind by the openbox of an earlier case, it would announce one that is not there.
        const Atom check = XInternAtom(x, "_NET_SUPPORTING_WM_CHECK", False);
        XDeleteProperty(x, DefaultRootWindow(x), check);
        XSync(x, False);
        openbox = std::make_unique<ChildProcess>(std::vector<std::string>{"openbox", "--sm-disable"},
                                                 std::map<std::string, std::string>{{"DISPLAY", xvfb->display()}},
                                                 (caseDir / "openbox.log").string());
        ASSERT_TRUE(waitUntil(
            [&] {
                Atom type = None;
                int format = 0;
                unsigned long count = 0;
                unsigned long after = 0;
                unsigned char* data = nullptr;
                XGetWindowProperty(x, DefaultRootWindow(x), check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                                   &after, &data);
                if (data) {
                    XFree(data);
                }
                return count == 1;
            },
            10s))
            << "openbox did not start:\n"
            << readBytes(caseDir / "openbox.log");
        // It announces itself before it handles new windows: a window of the test's own, framed
        // by it, shows that it is ready.
        ASSERT_TRUE(waitUntil(
            [&] {
                const Window probe = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 10, 10, 0, 0, 0);
                XMapWindow(x, probe);
                XSync(x, False);
                const bool framed = waitUntil([&] { return parentOf(probe) != DefaultRootWindow(x); }, 300ms);
                XDestroyWindow(x, probe);
                XSync(x, False);
                return framed;
            },
            10s))
            << "openbox does not manage windows";
    }

    static Window parentOf(Window window)
    {
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(x, window, &root, &parent, &children, &count)) {
            return None;
        }
        if (children) {
            XFree(children);
        }
        return parent;
    }

    void startConsole()
    {
        app->start();
        consoleRunning = true;
        ASSERT_TRUE(app->findWindow(kConsoleTitle, true, 20s)) << "no console window";
    }

    void startWindowsProgram()
    {
        windowsProgram = std::make_unique<ChildProcess>(
            std::vector<std::string>{tools->wine, KEY_LOGGER_EXE, wineLog().string(), "700", "500", "400", "300"},
            wineEnvironment(prefix(), xvfb->display()), wineOutput().string());
        ASSERT_TRUE(waitUntil([&] { return readBytes(wineLog()).find("ready") != std::string::npos; }, 60s))
            << "the Windows program did not start";
        if (GetParam().windowManager) {
            // The window manager gives a new window the focus; the keys go where it is.
            ASSERT_TRUE(waitUntil([&] { return focusedWindowName() == "Wine key logger"; }, 10s))
                << "focus on \"" << focusedWindowName() << "\"";
        }
    }

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

    void arrive(const std::string& text)
    {
        pty->write(text);
        std::this_thread::sleep_for(120ms); // several serial polls: one record each
    }

    // Bike keys 1 to 5 pressed one after the other, and all released.
    void pressEachKey()
    {
        for (std::size_t i = 0; i < kRows.size(); ++i) {
            std::string flags(6, 'B');
            flags[i] = 'A';
            arrive(record(flags));
        }
        arrive(record("BBBBBB"));
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

    static bool anyKeyDown()
    {
        char keys[32] = {};
        XQueryKeymap(x, keys);
        for (const char byte : keys) {
            if (byte != 0) {
                return true;
            }
        }
        return false;
    }

    static inline std::optional<WineTools> tools;
    static inline testing::TempDir* cache = nullptr;
    static inline bool prefixReady = false;
    static inline std::vector<KeySym> pristineKeymap;
    static inline testing::XvfbServer* xvfb = nullptr;
    static inline Display* x = nullptr;
    testing::TempDir caseDir;
    std::unique_ptr<ChildProcess> openbox;
    std::unique_ptr<ChildProcess> windowsProgram;
    std::unique_ptr<ConsoleApp> app;
    std::unique_ptr<testing::PtyPair> pty;
    bool consoleRunning = false;
};

TEST_P(WineKeys, EveryCharacterArrivesFromTheFirstPressAndTheKeymapIsGivenBackOnSigterm)
{
    if (GetParam().windowsProgramFirst) {
        ASSERT_NO_FATAL_FAILURE(startWindowsProgram());
    }
    ASSERT_NO_FATAL_FAILURE(startConsole());
    std::vector<std::pair<std::string, std::string>> keyStrings;
    for (const KeyRow& row : kRows) {
        keyStrings.emplace_back(row.box, row.keys);
    }
    ASSERT_TRUE(app->setTexts(keyStrings)) << "the key string boxes were not set";
    arrive(record("BBBBBB"));
    if (!GetParam().windowsProgramFirst) {
        // The keycodes are lent before the Windows program starts: it must take them from the
        // keymap it finds.
        pressEachKey();
        ASSERT_NO_FATAL_FAILURE(startWindowsProgram());
    }
    ASSERT_TRUE(waitUntil([&] { return readBytes(wineLog()).find(kPointerAt) != std::string::npos; }, 10s))
        << "the pointer did not reach the Windows program's window";

    pressEachKey();
    pressEachKey();
    const std::size_t expected = 2 * kRows.size() * 3;
    waitUntil([&] { return keyMessages(readBytes(wineLog())).size() >= expected; }, 10s);
    std::this_thread::sleep_for(300ms); // anything more that would come
    const std::vector<KeyMessage> got = keyMessages(readBytes(wineLog()));
    ASSERT_EQ(got.size(), expected) << "a key-down, its character and its key-up for each press";
    for (std::size_t press = 0; press < 2 * kRows.size(); ++press) {
        const KeyRow& row = kRows[press % kRows.size()];
        const KeyMessage& down = got[3 * press];
        const KeyMessage& ch = got[3 * press + 1];
        const KeyMessage& up = got[3 * press + 2];
        const std::string what =
            std::string(row.box) + " \"" + row.keys + "\", press " + std::to_string(press / kRows.size() + 1);
        EXPECT_EQ(down.kind, "down") << what;
        EXPECT_NE(down.value, kNoName) << what << ": a virtual key Wine does not know the key by";
        if (row.vk != 0) {
            EXPECT_EQ(down.value, row.vk) << what;
        }
        EXPECT_EQ(ch.kind, "char") << what;
        EXPECT_EQ(ch.value, row.character) << what;
        EXPECT_EQ(up.kind, "up") << what;
        EXPECT_EQ(up.value, down.value) << what;
    }

    const int status = app->process().stop();
    consoleRunning = false;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "SIGTERM ends the console in order: " << status;
    EXPECT_EQ(keymap(), pristineKeymap) << "keycodes left bound";
    EXPECT_FALSE(anyKeyDown());
    EXPECT_EQ(readBytes(app->logFile()).find(" warning keys: "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(, WineKeys,
                         ::testing::Values(Case{"WindowsProgramFirst", true, false}, Case{"ConsoleFirst", false, false},
                                           Case{"WindowsProgramFirstWithOpenbox", true, true},
                                           Case{"ConsoleFirstWithOpenbox", false, true}),
                         [](const ::testing::TestParamInfo<Case>& param) { return param.param.name; });

} // namespace
} // namespace ride
