// SPDX-License-Identifier: GPL-3.0-or-later
// The notification protocol's text: socket addresses, the watchdog interval, the status message.
#include "service/notify_protocol.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace ride {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kPathOffset = offsetof(sockaddr_un, sun_path);

TEST(NotifyAddress, PathIsCopiedWithItsTerminatingNul)
{
    const auto parsed = parseNotifyAddress("/run/user/1000/systemd/notify");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->address.sun_family, AF_UNIX);
    EXPECT_STREQ(parsed->address.sun_path, "/run/user/1000/systemd/notify");
    EXPECT_EQ(parsed->length, kPathOffset + std::string("/run/user/1000/systemd/notify").size() + 1);
}

TEST(NotifyAddress, AtSignNamesTheAbstractNamespaceWithoutTrailingNul)
{
    const auto parsed = parseNotifyAddress("@ride/notify");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->address.sun_path[0], '\0');
    EXPECT_EQ(std::string(parsed->address.sun_path + 1, 11), "ride/notify");
    // The name is exactly as long as the address says: a trailing NUL would make another name.
    EXPECT_EQ(parsed->length, kPathOffset + 1 + 11);
}

TEST(NotifyAddress, LongestNamesThatFitAndOnesThatDoNot)
{
    const std::size_t room = sizeof(sockaddr_un{}.sun_path);
    const std::string longestPath = "/" + std::string(room - 2, 'p');
    ASSERT_TRUE(parseNotifyAddress(longestPath));
    EXPECT_EQ(parseNotifyAddress(longestPath)->length, kPathOffset + room);
    EXPECT_FALSE(parseNotifyAddress(longestPath + "p"));

    // An abstract name has no NUL to keep room for: the whole of sun_path is its.
    const std::string longestAbstract = "@" + std::string(room - 1, 'a');
    ASSERT_TRUE(parseNotifyAddress(longestAbstract));
    EXPECT_EQ(parseNotifyAddress(longestAbstract)->length, kPathOffset + room);
    EXPECT_FALSE(parseNotifyAddress(longestAbstract + "a"));
}

TEST(NotifyAddress, EmptyRelativeAndBareNamesAreRefused)
{
    EXPECT_FALSE(parseNotifyAddress(""));
    EXPECT_FALSE(parseNotifyAddress("@"));
    EXPECT_FALSE(parseNotifyAddress("/"));
    EXPECT_FALSE(parseNotifyAddress("run/notify"));
    EXPECT_FALSE(parseNotifyAddress("vsock:2:1234"));
}

TEST(WatchdogInterval, HalfOfTheAskedTimeoutForThisProcess)
{
    EXPECT_EQ(watchdogPingInterval("400000", std::nullopt, 42), 200000us);
    EXPECT_EQ(watchdogPingInterval("30000000", "42", 42), 15s);
    EXPECT_EQ(watchdogPingInterval("3", std::nullopt, 42), 1us);
}

TEST(WatchdogInterval, NoPingsWhenNotAskedOrAskedOfAnotherProcess)
{
    EXPECT_FALSE(watchdogPingInterval(std::nullopt, std::nullopt, 42));
    EXPECT_FALSE(watchdogPingInterval(std::nullopt, "42", 42));
    EXPECT_FALSE(watchdogPingInterval("400000", "41", 42));
    EXPECT_FALSE(watchdogPingInterval("400000", "", 42));
    EXPECT_FALSE(watchdogPingInterval("0", std::nullopt, 42));
    EXPECT_FALSE(watchdogPingInterval("1", std::nullopt, 42));
    EXPECT_FALSE(watchdogPingInterval("-400000", std::nullopt, 42));
    EXPECT_FALSE(watchdogPingInterval("400000us", std::nullopt, 42));
    EXPECT_FALSE(watchdogPingInterval("", std::nullopt, 42));
    EXPECT_FALSE(watchdogPingInterval("99999999999999999999999", std::nullopt, 42));
}

TEST(NotifyMessages, StatusIsOneAssignmentOnOneLine)
{
    EXPECT_EQ(kReadyMessage, "READY=1");
    EXPECT_EQ(kWatchdogMessage, "WATCHDOG=1");
    EXPECT_EQ(statusMessage("serial /dev/bike open, video 视频0"), "STATUS=serial /dev/bike open, video 视频0");
    EXPECT_EQ(statusMessage("two\nlines\r"), "STATUS=two lines ");
    EXPECT_EQ(statusMessage(""), "STATUS=");
}

} // namespace
} // namespace ride
