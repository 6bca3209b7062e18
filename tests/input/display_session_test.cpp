// SPDX-License-Identifier: GPL-3.0-or-later
// Which environments name a Wayland session, where the pointer and keys cannot reach native programs.
#include "input/display_session.h"

#include <gtest/gtest.h>

namespace ride {
namespace {

TEST(WaylandSession, NamedByTheDisplayVariableOrTheSessionType)
{
    EXPECT_TRUE(isWaylandSession("wayland-0", nullptr));
    EXPECT_TRUE(isWaylandSession(nullptr, "wayland"));
    EXPECT_TRUE(isWaylandSession("wayland-0", "x11"));
    EXPECT_FALSE(isWaylandSession(nullptr, nullptr));
    EXPECT_FALSE(isWaylandSession("", "x11"));
    EXPECT_FALSE(isWaylandSession(nullptr, "tty"));
    EXPECT_FALSE(isWaylandSession(nullptr, "Wayland-ish"));
}

} // namespace
} // namespace ride
