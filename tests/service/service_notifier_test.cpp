// SPDX-License-Identifier: GPL-3.0-or-later
// The notifier against a socket of the test's own, as the service manager would bind it.
#include "service/service_notifier.h"
#include "support/notify_receiver.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <unistd.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::NotifyReceiver;

TEST(ServiceNotifier, SendsEachMessageAsOneDatagramToAPath)
{
    testing::TempDir dir;
    NotifyReceiver receiver((dir / "notify").string());
    const ServiceNotifier notifier(parseNotifyAddress(receiver.name()), 200ms);
    ASSERT_TRUE(notifier.enabled());
    EXPECT_EQ(notifier.watchdogInterval(), 200ms);
    EXPECT_TRUE(notifier.send(kReadyMessage));
    EXPECT_TRUE(notifier.send(statusMessage("serial none, video none")));
    EXPECT_EQ(receiver.receive(1s), "READY=1");
    EXPECT_EQ(receiver.receive(1s), "STATUS=serial none, video none");
    EXPECT_EQ(receiver.receive(50ms), std::nullopt);
}

TEST(ServiceNotifier, ReachesAnAbstractName)
{
    const std::string name = "@ride-notify-test-" + std::to_string(::getpid());
    NotifyReceiver receiver(name);
    const ServiceNotifier notifier(parseNotifyAddress(name), std::nullopt);
    EXPECT_TRUE(notifier.send(kWatchdogMessage));
    EXPECT_EQ(receiver.receive(1s), "WATCHDOG=1");
}

TEST(ServiceNotifier, WithoutAnAddressItIsDisabledAndAsksNoPings)
{
    const ServiceNotifier notifier(std::nullopt, 200ms);
    EXPECT_FALSE(notifier.enabled());
    EXPECT_EQ(notifier.watchdogInterval(), std::nullopt);
    EXPECT_FALSE(notifier.send(kReadyMessage));
}

TEST(ServiceNotifier, ASocketNobodyListensOnLosesTheMessageWithoutBlocking)
{
    testing::TempDir dir;
    const ServiceNotifier notifier(parseNotifyAddress((dir / "gone").string()), std::nullopt);
    ASSERT_TRUE(notifier.enabled());
    EXPECT_FALSE(notifier.send(kReadyMessage));
}

TEST(ServiceNotifier, FromTheEnvironmentItTakesTheVariablesAway)
{
    testing::TempDir dir;
    NotifyReceiver receiver((dir / "notify").string());
    ::setenv("NOTIFY_SOCKET", receiver.name().c_str(), 1);
    ::setenv("WATCHDOG_USEC", "400000", 1);
    ::setenv("WATCHDOG_PID", std::to_string(::getpid()).c_str(), 1);
    const ServiceNotifier notifier = ServiceNotifier::fromEnvironment();
    EXPECT_EQ(notifier.watchdogInterval(), 200ms);
    EXPECT_EQ(std::getenv("NOTIFY_SOCKET"), nullptr);
    EXPECT_EQ(std::getenv("WATCHDOG_USEC"), nullptr);
    EXPECT_EQ(std::getenv("WATCHDOG_PID"), nullptr);
    EXPECT_TRUE(notifier.send(kReadyMessage));
    EXPECT_EQ(receiver.receive(1s), "READY=1");

    // Nothing set: nothing to send to.
    EXPECT_FALSE(ServiceNotifier::fromEnvironment().enabled());
}

} // namespace
} // namespace ride
