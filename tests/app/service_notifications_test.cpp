// SPDX-License-Identifier: GPL-3.0-or-later
// The program's side of supervision on Qt's offscreen platform: the pings from the event loop,
// readiness with the first status, status sent on change only, and the status read from the
// console, its serial line and the network window as the program wires them.
#include "app/service_notifications.h"

#include "app/standard_backends.h"
#include "support/notify_receiver.h"
#include "support/qt_event_pump.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <thread>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::NotifyReceiver;

// Every message that arrived while the event loop ran for `span`.
std::vector<std::string> messagesDuring(NotifyReceiver& receiver, std::chrono::milliseconds span)
{
    std::vector<std::string> out;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < span.count()) {
        testing::pumpFor(10ms);
        while (auto message = receiver.receive(0ms)) {
            out.push_back(*message);
        }
    }
    return out;
}

long countOf(const std::vector<std::string>& messages, const std::string& message)
{
    return std::count(messages.begin(), messages.end(), message);
}

TEST(ServiceNotifications, PingsFromTheEventLoopAndReportsStatusOnChangeOnly)
{
    testing::TempDir dir;
    NotifyReceiver receiver((dir / "notify").string());
    std::string serialDevice = "/dev/bike";
    ServiceNotifications notifications(ServiceNotifier(parseNotifyAddress(receiver.name()), 100ms), [&] {
        ServiceStatus status;
        status.serialDevice = serialDevice;
        status.serialOpen = true;
        return status;
    });

    // Pings run before readiness too: a start-up that hangs is a hang like any other.
    const auto beforeReady = messagesDuring(receiver, 550ms);
    EXPECT_GE(countOf(beforeReady, "WATCHDOG=1"), 4);
    EXPECT_LE(countOf(beforeReady, "WATCHDOG=1"), 6);
    EXPECT_EQ(countOf(beforeReady, "WATCHDOG=1"), static_cast<long>(beforeReady.size())) << "nothing but pings";

    notifications.announceReady();
    EXPECT_EQ(receiver.receive(0ms), "READY=1");
    EXPECT_EQ(receiver.receive(0ms), "STATUS=serial /dev/bike open, video none");

    // Checked every second; unchanged, it is not sent again.
    const auto unchanged = messagesDuring(receiver, 1500ms);
    EXPECT_EQ(countOf(unchanged, "WATCHDOG=1"), static_cast<long>(unchanged.size()));

    serialDevice = "/dev/ttyUSB0";
    const auto changed = messagesDuring(receiver, 1200ms);
    EXPECT_EQ(countOf(changed, "STATUS=serial /dev/ttyUSB0 open, video none"), 1);
    EXPECT_EQ(countOf(changed, "WATCHDOG=1") + 1, static_cast<long>(changed.size()));
}

TEST(ServiceNotifications, ABlockedEventLoopSendsNoPings)
{
    testing::TempDir dir;
    NotifyReceiver receiver((dir / "notify").string());
    ServiceNotifications notifications(ServiceNotifier(parseNotifyAddress(receiver.name()), 50ms),
                                       [] { return ServiceStatus{}; });
    EXPECT_FALSE(messagesDuring(receiver, 200ms).empty());
    // A handler that never returns, as far as the pings can tell.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(receiver.receive(0ms), std::nullopt);
}

TEST(ServiceNotifications, WithoutWatchdogOnlyReadinessAndStatus)
{
    testing::TempDir dir;
    NotifyReceiver receiver((dir / "notify").string());
    ServiceNotifications notifications(ServiceNotifier(parseNotifyAddress(receiver.name()), std::nullopt),
                                       [] { return ServiceStatus{}; });
    EXPECT_TRUE(messagesDuring(receiver, 300ms).empty());
    notifications.announceReady();
    EXPECT_EQ(messagesDuring(receiver, 300ms), (std::vector<std::string>{"READY=1", "STATUS=serial none, video none"}));
}

TEST(CurrentServiceStatus, SerialLineChannelsOnceStartedAndTheLastVideoChoice)
{
    testing::TempDir dir;
    testing::TestSite site({.settingsFile = dir / "配置.ini",
                            .backends = {{"recording"}, {"qt"}, {"fake"}, {"recording"}},
                            .moreBackends = standardBackends()});
    Form1& console = site.console();
    auto status = [&] {
        return statusLine(currentServiceStatus(site.serialLine(), console, site.installation->networkWindow()));
    };

    // A device that does not exist stays closed.
    SerialLine& serial = site.serialLine();
    serial.setDevicePath((dir / "bike").string());
    ASSERT_FALSE(serial.open());
    EXPECT_EQ(status(), "serial " + (dir / "bike").string() + " closed, video none");

    console.Command2_1.click();
    site.network();
    ASSERT_EQ(site.sockets().made.size(), 1u);
    site.sockets().made[0]->setState(socket_state::kConnecting);
    EXPECT_EQ(status(), "serial " + (dir / "bike").string() + " closed, channel 0 not connected, video 视频1");
    site.sockets().made[0]->setState(socket_state::kConnected);
    console.Command2_0.click();
    EXPECT_EQ(status(), "serial " + (dir / "bike").string() + " closed, channel 0 connected, video 视频0");

    // Any serial line will do: the device its port number names, and whether it is open.
    testing::FakeSerialLine consoleSerial;
    consoleSerial.setPortNumber(3);
    ASSERT_TRUE(consoleSerial.open());
    EXPECT_EQ(statusLine(currentServiceStatus(consoleSerial, console, site.installation->networkWindow())),
              "serial /dev/ttyS2 open, channel 0 connected, video 视频0");
}

} // namespace
} // namespace ride
