// "网络设置" on the console's real window, wired to the network window as the program wires it,
// on Qt's offscreen platform: the first press creates the window, every press shows it.
#include "app/network_window_opener.h"

#include "console/form1.h"
#include "console/view/form1_view.h"
#include "input/recording_keystrokes.h"
#include "network/view/frmsock_view.h"
#include "support/fake_cursor.h"
#include "support/fake_serial_line.h"
#include "support/fake_tcp_socket.h"
#include "support/scripted_question.h"
#include "support/temp_dir.h"
#include "ui/qt/qt_event_yield.h"

#include <QApplication>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

namespace ride {
namespace {

// Top-level windows of the network link: there must never be more than one.
int networkWindowCount()
{
    int count = 0;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        count += w->objectName() == QStringLiteral("FRMSOCK") ? 1 : 0;
    }
    return count;
}

class NetworkSettingsButton : public ::testing::Test {
protected:
    NetworkSettingsButton()
    {
        ConsoleServices services;
        services.settingsFile = dir / "配置.ini";
        services.serial = &serial;
        services.cursor = &cursor;
        services.keys = &keys;
        services.showNetworkWindow = [this] { opener->show(); };
        console = std::make_unique<Form1>(services);
        NetworkServices net;
        net.settingsFile = dir / "配置.ini";
        net.sockets = &sockets;
        net.events = &events;
        net.question = &question;
        net.log = &console->List1;
        net.consoleReceiveBox = &console->Text1;
        opener = std::make_unique<NetworkWindowOpener>(net);
        consoleView = std::make_unique<Form1View>(*console);
        console->load();
    }

    void pressNetworkSettings() const
    {
        auto* button = consoleView->findChild<QPushButton*>(QStringLiteral("Command3"));
        ASSERT_NE(button, nullptr);
        ASSERT_EQ(button->text(), QStringLiteral("网络设置"));
        button->click();
    }

    testing::TempDir dir;
    testing::FakeSerialLine serial;
    testing::FakeCursor cursor;
    RecordingKeystrokes keys;
    testing::FakeTcpSocketFactory sockets;
    QtEventYield events;
    testing::ScriptedQuestion question;
    // In the program's order: the network window goes before the console it writes into.
    std::unique_ptr<Form1> console;
    std::unique_ptr<NetworkWindowOpener> opener;
    std::unique_ptr<Form1View> consoleView;
};

TEST_F(NetworkSettingsButton, FirstPressCreatesTheWindowAndEveryPressShowsIt)
{
    EXPECT_EQ(opener->window(), nullptr) << "nothing of the network window exists before the first press";
    EXPECT_EQ(networkWindowCount(), 0);
    EXPECT_TRUE(sockets.made.empty());

    pressNetworkSettings();
    Frmsock* const first = opener->window();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(opener->view(), nullptr);
    EXPECT_TRUE(first->window.visible());
    EXPECT_TRUE(opener->view()->isVisible());
    EXPECT_EQ(networkWindowCount(), 1);
    EXPECT_EQ(sockets.made.size(), 1u) << "one channel, one socket";

    // Closing the window only hides it; the next press shows the same window again.
    opener->view()->close();
    EXPECT_FALSE(first->window.visible());
    EXPECT_FALSE(opener->view()->isVisible());

    pressNetworkSettings();
    EXPECT_EQ(opener->window(), first);
    EXPECT_TRUE(first->window.visible());
    EXPECT_TRUE(opener->view()->isVisible());
    EXPECT_EQ(networkWindowCount(), 1);
    EXPECT_EQ(sockets.made.size(), 1u) << "the second press created no second window";

    // A press while it is shown keeps it shown, still the one window.
    pressNetworkSettings();
    EXPECT_EQ(opener->window(), first);
    EXPECT_TRUE(opener->view()->isVisible());
    EXPECT_EQ(networkWindowCount(), 1);
}

} // namespace
} // namespace ride

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
