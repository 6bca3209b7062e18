// SPDX-License-Identifier: GPL-3.0-or-later
// "网络设置" on the console's real window, wired to the network window as the program wires it,
// on Qt's offscreen platform: the first press creates the window, every press shows it, and the
// keyboard focus goes back where it was when the window is put away.
#include "app/qt_window_views.h"
#include "input/input_focus.h"
#include "support/qt_event_pump.h"
#include "support/temp_dir.h"
#include "support/test_site.h"
#include "ui/qt/qt_timer_driver.h"

#include <QApplication>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace ride {
namespace {

// The display's focus as a number the test sets; records where it was asked to go.
class FakeInputFocus : public InputFocus {
public:
    FocusWindow current() override { return focused; }
    bool giveTo(FocusWindow window) override
    {
        given.push_back(window);
        if (!existing(window)) {
            return false;
        }
        focused = window;
        return true;
    }

    bool existing(FocusWindow window) const { return window != 0 && window != gone; }

    FocusWindow focused = 0;
    FocusWindow gone = 0;
    std::vector<FocusWindow> given;
};

QWidget* topLevel(const QString& name)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == name) {
            return w;
        }
    }
    return nullptr;
}

// Top-level windows of the network link: there must never be more than one.
int networkWindowCount()
{
    int count = 0;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        count += w->objectName() == QStringLiteral("FRMSOCK") ? 1 : 0;
    }
    return count;
}

constexpr FocusWindow kRoamingProgram = 0x400007;
constexpr FocusWindow kOtherProgram = 0x800001;
constexpr FocusWindow kConsole = 0x600001;
constexpr FocusWindow kNetworkWindow = 0x600003;

// The installation with the program's own windows on Qt's offscreen platform and its timers on
// Qt timers; the focus is the test's.
class NetworkSettingsButton : public ::testing::Test {
protected:
    // Clicks the button Command3 of `window`, which must say `caption`.
    static void press(QWidget* window, const QString& caption)
    {
        auto* button = window->findChild<QPushButton*>(QStringLiteral("Command3"));
        ASSERT_NE(button, nullptr);
        ASSERT_EQ(button->text(), caption);
        button->click();
    }
    static void pressNetworkSettings() { press(topLevel(QStringLiteral("Form1")), QStringLiteral("网络设置")); }
    static void pressHide() { press(view(), QStringLiteral("隐藏")); }
    // Opened, given the focus by the window manager, and hidden again.
    void openAndHide()
    {
        pressNetworkSettings();
        focus.focused = kNetworkWindow;
        pressHide();
    }

    NetworkWindowOpener& opener() { return site.installation->networkOpener(); }
    static QWidget* view() { return topLevel(QStringLiteral("FRMSOCK")); }

    testing::TempDir dir;
    FakeInputFocus focus;
    QtWindowViews views;
    QtTimerDriver timers;
    testing::TestSite site{
        {.settingsFile = dir / "配置.ini", .timers = &timers, .views = &views, .inputFocus = &focus}};
    testing::FakeTcpSocketFactory& sockets = site.sockets();
};

TEST_F(NetworkSettingsButton, FirstPressCreatesTheWindowAndEveryPressShowsIt)
{
    EXPECT_EQ(opener().window(), nullptr) << "nothing of the network window exists before the first press";
    EXPECT_EQ(networkWindowCount(), 0);
    EXPECT_TRUE(sockets.made.empty());

    pressNetworkSettings();
    Frmsock* const first = opener().window();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(view(), nullptr);
    EXPECT_TRUE(first->window.visible());
    EXPECT_TRUE(view()->isVisible());
    EXPECT_EQ(networkWindowCount(), 1);
    EXPECT_EQ(sockets.made.size(), 1u) << "one channel, one socket";

    // Closing the window only hides it; the next press shows the same window again.
    view()->close();
    EXPECT_FALSE(first->window.visible());
    EXPECT_FALSE(view()->isVisible());

    pressNetworkSettings();
    EXPECT_EQ(opener().window(), first);
    EXPECT_TRUE(first->window.visible());
    EXPECT_TRUE(view()->isVisible());
    EXPECT_EQ(networkWindowCount(), 1);
    EXPECT_EQ(sockets.made.size(), 1u) << "the second press created no second window";

    // A press while it is shown keeps it shown, still the one window.
    pressNetworkSettings();
    EXPECT_EQ(opener().window(), first);
    EXPECT_TRUE(view()->isVisible());
    EXPECT_EQ(networkWindowCount(), 1);
}

TEST_F(NetworkSettingsButton, HidingGivesTheFocusBackToTheWindowThatHadItAtOpening)
{
    focus.focused = kRoamingProgram;
    pressNetworkSettings();
    EXPECT_TRUE(focus.given.empty()) << "opening gives nothing back";
    // The window manager hands the focus to the window just opened; the operator presses again.
    focus.focused = kNetworkWindow;
    pressNetworkSettings();

    ASSERT_NO_FATAL_FAILURE(pressHide());
    EXPECT_FALSE(view()->isVisible());
    EXPECT_EQ(focus.given, std::vector<FocusWindow>{kRoamingProgram})
        << "the window that had the focus before the first press, not the network window itself";
    EXPECT_EQ(focus.focused, kRoamingProgram);

    // Opened again from another window and closed: the focus goes to that one, once.
    focus.focused = kOtherProgram;
    pressNetworkSettings();
    focus.focused = kNetworkWindow;
    view()->close();
    EXPECT_EQ(focus.given, (std::vector<FocusWindow>{kRoamingProgram, kOtherProgram}));

    // Hiding a hidden window, or moving a shown one, gives nothing back.
    opener().window()->window.hide();
    pressNetworkSettings();
    opener().window()->window.setLeft(300);
    EXPECT_EQ(focus.given.size(), 2u);
}

TEST_F(NetworkSettingsButton, NoFocusOrAVanishedWindowLeavesTheFocusAlone)
{
    // Nobody had the focus: nothing to give back.
    focus.focused = 0;
    ASSERT_NO_FATAL_FAILURE(openAndHide());
    EXPECT_TRUE(focus.given.empty());

    // The roaming program ended while the window was open: asked, refused, nothing else happens.
    focus.focused = kRoamingProgram;
    pressNetworkSettings();
    focus.gone = kRoamingProgram;
    focus.focused = kNetworkWindow;
    ASSERT_NO_FATAL_FAILURE(pressHide());
    EXPECT_EQ(focus.given, std::vector<FocusWindow>{kRoamingProgram});
    EXPECT_EQ(focus.focused, kNetworkWindow);
    EXPECT_FALSE(view()->isVisible());

    // Shown again afterwards as usual, and the next hiding gives the focus to the new holder.
    focus.gone = 0;
    const FocusWindow restarted = 0x400099;
    focus.focused = restarted;
    pressNetworkSettings();
    EXPECT_TRUE(view()->isVisible());
    ASSERT_NO_FATAL_FAILURE(pressHide());
    EXPECT_EQ(focus.focused, restarted);
}

TEST_F(NetworkSettingsButton, AClickIntoTheConsoleFirstDoesNotMakeItTheWindowToReturnTo)
{
    opener().setOwnWindowTest([](FocusWindow window) { return window == kConsole || window == kNetworkWindow; });

    // While the roaming program has the focus the program looks now and then; looking while
    // the console has it, or while nobody has it, changes nothing.
    focus.focused = kRoamingProgram;
    opener().noteFocusElsewhere();
    focus.focused = 0;
    opener().noteFocusElsewhere();
    // The operator's click on the button gives the console the focus before the press.
    focus.focused = kConsole;
    opener().noteFocusElsewhere();
    ASSERT_NO_FATAL_FAILURE(openAndHide());
    EXPECT_EQ(focus.given, std::vector<FocusWindow>{kRoamingProgram});

    // Opened while another program has the focus (pressed from an assistive tool): that one.
    focus.focused = kOtherProgram;
    ASSERT_NO_FATAL_FAILURE(openAndHide());
    EXPECT_EQ(focus.given, (std::vector<FocusWindow>{kRoamingProgram, kOtherProgram}));
}

TEST_F(NetworkSettingsButton, AWindowManagerThatFocusesTheConsoleAfterwardsIsOverruled)
{
    opener().setOwnWindowTest([](FocusWindow window) { return window == kConsole || window == kNetworkWindow; });
    using namespace std::chrono_literals;

    focus.focused = kRoamingProgram;
    ASSERT_NO_FATAL_FAILURE(openAndHide());
    // The window manager, seeing its focused window go, focuses the console it had before.
    focus.focused = kConsole;
    testing::pumpFor(600ms);
    EXPECT_EQ(focus.given, (std::vector<FocusWindow>{kRoamingProgram, kRoamingProgram}));
    EXPECT_EQ(focus.focused, kRoamingProgram);

    // When the focus went to another program meanwhile, it is left there.
    ASSERT_NO_FATAL_FAILURE(openAndHide());
    focus.focused = kOtherProgram;
    testing::pumpFor(600ms);
    EXPECT_EQ(focus.given.size(), 3u);
    EXPECT_EQ(focus.focused, kOtherProgram);
}

} // namespace
} // namespace ride
