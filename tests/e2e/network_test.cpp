// SPDX-License-Identifier: GPL-3.0-or-later
// The real executable's TCP channel: opened from the console's "网络设置" button (pressed over the
// accessibility bus), connected to a loopback controller, carrying the heartbeat, decoding what
// the controller sends, and coming back after the controller drops the connection.
#include "e2e/console_suite.h"
#include "support/loopback_server.h"

#include <gtest/gtest.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using NetworkChannel = testing::ConsoleSuite<>;

TEST_F(NetworkChannel, ConnectsCarriesHeartbeatDecodesAndComesBack)
{
    testing::LoopbackServer controller;
    app->useController(controller.port());
    app->set(u"控制界面", u"窗口位置左", u"300");
    ASSERT_TRUE(app->startShown(10s));

    EXPECT_FALSE(controller.accept(1500ms)) << "no channel connects before the network window is opened";
    ASSERT_TRUE(app->pressButton("网络设置"));
    ASSERT_TRUE(app->findWindow("^网络控制调试窗口$", true, 5s)) << "the network window did not appear";

    ASSERT_TRUE(controller.accept(3s)) << "the channel did not connect";
    ASSERT_TRUE(controller.receiveUntil([](const std::string& r) { return r.find("99992") != std::string::npos; }, 5s))
        << "heartbeat texts: " << controller.received();
    EXPECT_EQ(controller.received().rfind("99991", 0), 0u) << controller.received();

    controller.send(":::S=010xxx090xxxxxx,DIBBBBBB.");
    ASSERT_TRUE(testing::waitUntil([&] { return app->pointer() == testing::ScreenPoint(512, 312); }, 3s))
        << "pointer at " << app->pointer();

    controller.dropConnection();
    ASSERT_TRUE(controller.accept(3s)) << "the console did not come back";
    EXPECT_TRUE(controller.receiveUntil([](const std::string& r) { return !r.empty(); }, 3s))
        << "the heartbeat goes on after the reconnect";
    EXPECT_TRUE(app->process().running());
}

} // namespace
} // namespace ride
