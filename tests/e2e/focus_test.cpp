// SPDX-License-Identifier: GPL-3.0-or-later
// Who has the keyboard focus while the real executable runs beside a stand-in for the roaming
// program (ride-target), asked of the X server itself: the console's windows must never take it
// unasked, whether a window manager (openbox) runs or none does. Only the network window takes
// it, when the operator opens it, and gives it back when it is put away.
#include "e2e/console_suite.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::kConsoleTitle;
using testing::readBytes;
using testing::waitUntil;

const std::string kNetworkTitle = "^网络控制调试窗口$";
// The player window, clear of the console (822 x 358 at the top left) and of the stand-in.
constexpr int kPlayerLeft = 860;
constexpr int kPlayerTop = 440;
constexpr int kPlayerWidth = 320;
constexpr int kPlayerHeight = 240;
// Long enough for a window manager to have placed and (wrongly) focused a new window, and for
// Qt to have handled its first expose.
constexpr auto kSettle = 1500ms;

enum class WindowManager { Absent, Openbox };

std::string nameOf(const ::testing::TestParamInfo<WindowManager>& info)
{
    return info.param == WindowManager::Openbox ? "Openbox" : "NoWindowManager";
}

class Focus : public testing::ConsoleSuite<::testing::TestWithParam<WindowManager>, true> {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ConsoleSuite::SetUp());
        if (GetParam() == WindowManager::Openbox) {
            ASSERT_NO_FATAL_FAILURE(startOpenbox());
        }
        // The roaming program: it takes the focus once at start and then leaves it alone, so
        // whatever takes the focus later keeps it.
        target = std::make_unique<ChildProcess>(
            std::vector<std::string>{RIDE_TARGET_EXE, "--geometry", "800x380+0+400"},
            std::map<std::string, std::string>{{"DISPLAY", xvfb->display()}, {"QT_QPA_PLATFORM", "xcb"}},
            targetLog().string());
        // A window manager that is still starting may take the focus away from it again once;
        // then it gets the focus as an operator gives it, by hand.
        if (!waitUntil([this] { return focusOwner() == target->pid(); }, 3s)) {
            focusTargetWindow();
        }
        ASSERT_TRUE(waitUntil([this] { return focusOwner() == target->pid(); }, 5s))
            << "ride-target never had the keyboard focus:\n"
            << readBytes(targetLog());
        app->placeConsole(0, 0);
        app->placePlayer(kPlayerLeft, kPlayerTop, kPlayerWidth, kPlayerHeight);
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cerr << "ride-target:\n" << readBytes(targetLog());
        }
        ConsoleSuite::TearDown();
        target.reset();
    }

    void focusTargetWindow()
    {
        std::istringstream ids(app->xdotool(
            {"search", "--onlyvisible", "--pid", std::to_string(target->pid()), "--name", "^ride-target$"}));
        std::string id;
        if (ids >> id) {
            XSetInputFocus(x, std::stoul(id), RevertToPointerRoot, CurrentTime);
            XSync(x, False);
        }
    }

    std::filesystem::path targetLog() const { return caseDir / "ride-target.log"; }

    // The process whose window has the keyboard focus, by the focused window's own or nearest
    // ancestor's _NET_WM_PID; 0 when nobody's window has it.
    pid_t focusOwner() const
    {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(x, &focus, &revert);
        const Atom pidAtom = XInternAtom(x, "_NET_WM_PID", False);
        Window window = focus;
        while (window != None && window != PointerRoot && window != DefaultRootWindow(x)) {
            if (auto pid = testing::windowProperty(x, window, pidAtom, XA_CARDINAL)) {
                return static_cast<pid_t>(*pid);
            }
            window = testing::parentOf(x, window);
        }
        return 0;
    }

    std::string focusText() const
    {
        const pid_t owner = focusOwner();
        if (owner == target->pid()) {
            return "ride-target";
        }
        if (app->started() && owner == app->process().pid()) {
            return "the console";
        }
        return "process " + std::to_string(owner);
    }

    // Samples the focus every few milliseconds for `span`: true when ride-target had it at
    // every look (a focus taken for a moment would still swallow a bike key).
    bool targetKeepsFocusFor(std::chrono::milliseconds span, std::string* lostTo = nullptr) const
    {
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end) {
            if (focusOwner() != target->pid()) {
                if (lostTo) {
                    *lostTo = focusText();
                }
                return false;
            }
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    // Starts the console and watches the focus from before its first window until it settled.
    void startConsoleWatchingFocus(bool consoleShown)
    {
        app->start();
        std::string lostTo;
        bool kept = true;
        bool found = false;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!found && std::chrono::steady_clock::now() < deadline) {
            kept = kept && targetKeepsFocusFor(100ms, &lostTo);
            found = visibleWindow("^Form4$") && (!consoleShown || visibleWindow(kConsoleTitle));
        }
        ASSERT_TRUE(found) << "the console's windows did not appear\n" << readBytes(app->logFile());
        kept = kept && targetKeepsFocusFor(kSettle, &lostTo);
        EXPECT_TRUE(kept) << "the focus went to " << lostTo << " while the console started";
        EXPECT_EQ(consoleShown, visibleWindow(kConsoleTitle));
    }

    bool visibleWindow(const std::string& title) const { return app->findWindow(title, true, 0ms).has_value(); }

    // The keys ride-target printed after the first `from` bytes of its log.
    std::string targetKeysSince(std::size_t from) const
    {
        std::istringstream lines(readBytes(targetLog()).substr(from));
        std::string keys;
        std::string line;
        while (std::getline(lines, line)) {
            const auto at = line.find(" key ");
            if (at != std::string::npos) {
                keys += line.substr(at + 5) + " ";
            }
        }
        return keys;
    }

    // Bike key 1 goes down and up again; its default key string is a capital A.
    bool bikeKeyTypesIntoTarget()
    {
        const std::size_t from = readBytes(targetLog()).size();
        pty->write(":::S=010xxx090xxxxxx,DIBBBBBB.");
        std::this_thread::sleep_for(150ms);
        pty->write(":::S=010xxx090xxxxxx,DIABBBBB.");
        std::this_thread::sleep_for(150ms);
        pty->write(":::S=010xxx090xxxxxx,DIBBBBBB.");
        return waitUntil([&] { return targetKeysSince(from).find("A ") != std::string::npos; }, 5s);
    }

    // Opens the network window with its button, as the operator does, and checks it took the
    // focus and that typing reaches it.
    void openNetworkWindow(const std::string& typed)
    {
        ASSERT_TRUE(app->pressButton("网络设置", "Rovika支持鼠标和键盘171013A"));
        ASSERT_TRUE(app->findWindow(kNetworkTitle, true, 10s)) << "no network window";
        ASSERT_TRUE(waitUntil([&] { return focusOwner() == app->process().pid(); }, 5s))
            << "the network window did not take the focus; it is with " << focusText();
        // Qt gives the first box of the window the keyboard; typing lands there.
        app->xdotool({"type", "--delay", "30", typed});
        bool arrived = false;
        std::string dump;
        waitUntil(
            [&] {
                const testing::AccessibleTree tree = app->accessibleTree({"网络控制调试窗口"}, 5s);
                dump = tree.dump();
                for (const auto& element : tree.elements()) {
                    arrived = arrived || (element.window == "网络控制调试窗口" && element.text &&
                                          element.text->find(typed) != std::string::npos);
                }
                return arrived;
            },
            10s);
        EXPECT_TRUE(arrived) << "\"" << typed << "\" typed into the network window is in none of its boxes:\n" << dump;
    }

    std::unique_ptr<ChildProcess> target;
};

TEST_P(Focus, ConsoleShownAtStartLeavesTheFocusWithTheRoamingProgram)
{
    plugInSerialLine();
    ASSERT_NO_FATAL_FAILURE(startConsoleWatchingFocus(true));
    EXPECT_TRUE(bikeKeyTypesIntoTarget()) << "typed: " << targetKeysSince(0);

    // A click into the console takes the focus, as into any window (here on its log list).
    const auto console = app->findWindow(kConsoleTitle, true, 1s);
    ASSERT_TRUE(console);
    app->xdotool({"mousemove", "--window", *console, "600", "250", "click", "1"});
    EXPECT_TRUE(waitUntil([&] { return focusOwner() == app->process().pid(); }, 5s))
        << "a click into the console left the focus with " << focusText();
}

TEST_P(Focus, ConsoleStartedHiddenLeavesTheFocusWithTheRoamingProgram)
{
    app->set(u"串口设置", u"状态", "正常");
    ASSERT_NO_FATAL_FAILURE(startConsoleWatchingFocus(false));
}

TEST_P(Focus, RestartedConsoleLeavesTheFocusWithTheRoamingProgram)
{
    ASSERT_NO_FATAL_FAILURE(startConsoleWatchingFocus(true));
    // Ended as the service manager ends it, then started again.
    app->process().stop();
    ASSERT_NO_FATAL_FAILURE(startConsoleWatchingFocus(true));
    // Killed, as by a crash, then started again.
    app->process().kill9();
    ASSERT_TRUE(waitUntil([&] { return !visibleWindow(kConsoleTitle); }, 5s));
    ASSERT_NO_FATAL_FAILURE(startConsoleWatchingFocus(true));
}

TEST_P(Focus, SwitchingAndClickingVideosLeavesTheFocusWithTheRoamingProgram)
{
    app->makeClip("red.mp4", "red");
    app->makeClip("blue.mp4", "blue");
    app->set(u"视频文件", u"视频0", "red.mp4");
    app->set(u"视频文件", u"视频1", "blue.mp4");
    ASSERT_NO_FATAL_FAILURE(startConsoleWatchingFocus(true));

    std::string lostTo;
    for (const char* button : {"来人播放视频", "无人播放视频", "来人播放视频"}) {
        ASSERT_TRUE(app->pressButton(button)) << "no button " << button;
        EXPECT_TRUE(targetKeepsFocusFor(1500ms, &lostTo)) << "after " << button << " the focus went to " << lostTo;
    }

    // A click on the video, where the media player draws.
    app->xdotool({"mousemove", std::to_string(kPlayerLeft + kPlayerWidth / 2),
                  std::to_string(kPlayerTop + kPlayerHeight / 2), "click", "1"});
    EXPECT_TRUE(targetKeepsFocusFor(kSettle, &lostTo)) << "a click on the video gave the focus to " << lostTo;
}

TEST_P(Focus, NetworkWindowTakesTheFocusAndHidingItGivesItBack)
{
    plugInSerialLine();
    ASSERT_NO_FATAL_FAILURE(startConsoleWatchingFocus(true));

    ASSERT_NO_FATAL_FAILURE(openNetworkWindow("4817"));
    ASSERT_TRUE(app->pressButton("隐藏", "网络控制调试窗口"));
    EXPECT_TRUE(waitUntil([&] { return focusOwner() == target->pid(); }, 5s))
        << "after 隐藏 the focus is with " << focusText();
    EXPECT_FALSE(visibleWindow(kNetworkTitle));
    EXPECT_TRUE(bikeKeyTypesIntoTarget()) << "typed: " << targetKeysSince(0);

    // Opened again and closed as a window manager's close button does.
    ASSERT_NO_FATAL_FAILURE(openNetworkWindow("5926"));
    const auto network = app->findWindow(kNetworkTitle, true, 1s);
    ASSERT_TRUE(network);
    testing::askToClose(x, std::stoul(*network));
    EXPECT_TRUE(waitUntil([&] { return focusOwner() == target->pid(); }, 5s))
        << "after closing the network window the focus is with " << focusText();
    EXPECT_TRUE(waitUntil([&] { return !visibleWindow(kNetworkTitle); }, 5s));
    EXPECT_TRUE(bikeKeyTypesIntoTarget()) << "typed: " << targetKeysSince(0);
}

TEST_P(Focus, NetworkWindowOpenedWithAMouseClickGivesTheFocusBackToTheRoamingProgram)
{
    plugInSerialLine();
    ASSERT_NO_FATAL_FAILURE(startConsoleWatchingFocus(true));
    // Long enough for the console to have looked at who has the focus at least once more.
    std::this_thread::sleep_for(2500ms);

    // The operator clicks "网络设置" with the mouse: the click itself gives the console the focus
    // first, but the window to return to is still the roaming program.
    const testing::AccessibleTree tree = app->accessibleTree({"Rovika支持鼠标和键盘171013A"});
    const testing::AccessibleElement* button = nullptr;
    for (const auto& element : tree.elements()) {
        if (element.role == "push button" && element.name == "网络设置") {
            button = &element;
        }
    }
    ASSERT_TRUE(button && button->extents) << tree.dump();
    app->xdotool({"mousemove", std::to_string(button->extents->x + button->extents->width / 2),
                  std::to_string(button->extents->y + button->extents->height / 2), "click", "1"});
    ASSERT_TRUE(app->findWindow(kNetworkTitle, true, 10s)) << "the click opened no network window";
    ASSERT_TRUE(waitUntil([&] { return focusOwner() == app->process().pid(); }, 5s))
        << "the network window did not take the focus; it is with " << focusText();

    ASSERT_TRUE(app->pressButton("隐藏", "网络控制调试窗口"));
    EXPECT_TRUE(waitUntil([&] { return focusOwner() == target->pid(); }, 5s))
        << "after 隐藏 the focus is with " << focusText();
    EXPECT_TRUE(bikeKeyTypesIntoTarget()) << "typed: " << targetKeysSince(0);
}

TEST_P(Focus, NetworkWindowHiddenAfterTheRoamingProgramEndedLeavesTheFocusAlone)
{
    ASSERT_NO_FATAL_FAILURE(startConsoleWatchingFocus(true));
    ASSERT_NO_FATAL_FAILURE(openNetworkWindow("3"));
    target->stop();
    ASSERT_TRUE(app->pressButton("隐藏", "网络控制调试窗口"));
    EXPECT_TRUE(waitUntil([&] { return !visibleWindow(kNetworkTitle); }, 5s));
    // The window it had is gone: nothing to give back, and the console goes on.
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(app->process().running()) << readBytes(app->logFile());
    EXPECT_TRUE(visibleWindow(kConsoleTitle));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutWindowManager, Focus,
                         ::testing::Values(WindowManager::Absent, WindowManager::Openbox), nameOf);

} // namespace
} // namespace ride
