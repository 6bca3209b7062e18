// SPDX-License-Identifier: GPL-3.0-or-later
// The status line and the rule that sends it only when it changed.
#include "service/service_status.h"

#include <gtest/gtest.h>

namespace ride {
namespace {

TEST(StatusLine, SerialChannelsAndVideo)
{
    ServiceStatus status;
    status.serialDevice = "/dev/bike";
    status.serialOpen = true;
    status.channels = {{0, true}};
    status.video = "视频0";
    EXPECT_EQ(statusLine(status), "serial /dev/bike open, channel 0 connected, video 视频0");

    status.serialOpen = false;
    status.channels = {{0, false}, {2, true}};
    status.video = "视频1";
    EXPECT_EQ(statusLine(status), "serial /dev/bike closed, channel 0 not connected, channel 2 connected, video 视频1");
}

TEST(StatusLine, NothingChosenYet)
{
    EXPECT_EQ(statusLine(ServiceStatus{}), "serial none, video none");
}

TEST(StatusChanges, OnlyALineThatDiffersFromTheLastIsSent)
{
    StatusChanges changes;
    EXPECT_EQ(changes.next("serial /dev/bike open, video none"), "serial /dev/bike open, video none");
    EXPECT_EQ(changes.next("serial /dev/bike open, video none"), std::nullopt);
    EXPECT_EQ(changes.next("serial /dev/bike closed, video none"), "serial /dev/bike closed, video none");
    EXPECT_EQ(changes.next("serial /dev/bike open, video none"), "serial /dev/bike open, video none");
    EXPECT_EQ(changes.next("serial /dev/bike open, video none"), std::nullopt);
}

} // namespace
} // namespace ride
