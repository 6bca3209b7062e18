// SPDX-License-Identifier: GPL-3.0-or-later
// Controllers that misbehave on the TCP channel, with the console on real timers: one that refuses,
// one that accepts and never reads, one that resets the connection, one that closes in the middle of
// a record. The console keeps retrying, hands a stalled send to the failure policy, recycles the
// channel, and goes on decoding what arrives.
#include "fault/live_site.h"
#include "support/fake_serial_line.h"
#include "support/loopback_server.h"
#include "support/qt_event_pump.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ride {
namespace {

using testing::kLivePumpStep;
using testing::kRecordTo512;
using testing::kRecordTo768;
using testing::LoopbackServer;
using testing::pumpFor;
using testing::pumpUntil;
using namespace std::chrono_literals;

class NetworkFaults : public ::testing::Test {
protected:
    NetworkFaults()
    {
        // Loading found no port in the empty settings; the fake line is plugged in by hand.
        serial.setDevicePath("/dev/fake");
        static_cast<void>(serial.open());
    }

    Channel& channel() { return rig.network().channel(0); }

    testing::TempDir dir;
    testing::LiveSite rig{dir / "配置.ini"};
    testing::FakeSerialLine& serial = rig.serial();
};

TEST_F(NetworkFaults, RefusingControllerIsRetriedEverySecondWhileTheSerialLineDrivesOn)
{
    rig.pointChannelAt(u"127.0.0.1", LoopbackServer::refusingPort());
    pumpFor(3500ms);
    // Each attempt fails with the refusal; the heartbeat rewrites the send flag in between, so every
    // failure is logged.
    EXPECT_GE(rig.logLinesWith(u"10061"), 2) << "retried about once a second";
    EXPECT_LE(rig.logLinesWith(u"10061"), 5);
    EXPECT_NE(channel().WinsockTcp->state(), 7);

    serial.arrivals.push_back(fromUtf8(kRecordTo512));
    EXPECT_TRUE(rig.pointerReaches({512, 312}, 1s)) << "the serial line still drives the pointer";
    EXPECT_LE(channel().TxtTcpTx.itemCount(), 6u) << "only the heartbeats of those seconds wait";
}

TEST_F(NetworkFaults, ControllerThatNeverReadsHasItsStalledSendHandedToThePolicyAndTheChannelRecycled)
{
    // A tiny receive window, never read: what the console sends piles up until sends stop completing.
    LoopbackServer controller(
        [](int& fd, const std::atomic<bool>& stopping) { LoopbackServer::idle(fd, 30s, stopping); }, 4096);
    rig.pointChannelAt(u"127.0.0.1", controller.port());
    rig.network().TXTTCP连接超时.setText(u"3");
    channel().CMB发送失败处理方法.setText(u"提示人工选择");
    ASSERT_TRUE(pumpUntil([&] { return channel().WinsockTcp->state() == 7; }, 3s, kLivePumpStep));

    for (char c : std::string("abcd")) {
        channel().TxtTcpTx.setText(Text(1 << 20, char16_t(c)));
    }
    Text stalled;
    std::string flagAtTimeout;
    rig.question.answer = false; // "No": the stalled item is dropped
    rig.question.whileOpen = [&] {
        stalled = channel().TxtTcpTx.items().front();
        flagAtTimeout = toUtf8(channel().sendFlag);
    };
    ASSERT_TRUE(pumpUntil([&] { return !rig.question.asked.empty(); }, 10s, kLivePumpStep))
        << "the timeout never handed the stalled send over";
    EXPECT_EQ(flagAtTimeout, "SendData") << "a send was pending when the timeout struck";
    EXPECT_GT(stalled.size(), 1000u) << "the stalled send is one of the big items, not a heartbeat";
    const auto& items = channel().TxtTcpTx.items();
    EXPECT_EQ(std::find(items.begin(), items.end(), stalled), items.end()) << "the answer No dropped it";

    EXPECT_TRUE(pumpUntil([&] { return controller.accepted() >= 2; }, 3s, kLivePumpStep))
        << "the channel was closed and connected again";
    EXPECT_EQ(rig.question.asked.size(), 1u) << "one timeout, one question";
}

TEST_F(NetworkFaults, ResetConnectionsAreReconnectedAndDecodingGoesOn)
{
    // Five connections end in a reset after half a record; then the controller behaves.
    std::atomic<int> connections{0};
    LoopbackServer controller([&](int& fd, const std::atomic<bool>& stopping) {
        if (++connections <= 5) {
            LoopbackServer::sendAll(fd, kRecordTo512.substr(0, 12), stopping);
            LoopbackServer::idle(fd, 150ms, stopping);
            LoopbackServer::reset(fd);
            return;
        }
        while (LoopbackServer::sendAll(fd, kRecordTo768, stopping) && LoopbackServer::idle(fd, 100ms, stopping)) {
        }
    });
    rig.pointChannelAt(u"127.0.0.1", controller.port());
    EXPECT_TRUE(pumpUntil([&] { return controller.accepted() >= 6; }, 10s, kLivePumpStep))
        << "accepted " << controller.accepted();
    // The halves wait in the receive box until its length rules empty it; then records decode again.
    EXPECT_TRUE(rig.pointerReaches({768, 312}, 3s));
    EXPECT_LE(rig.console().Text1.text().size(), 200u);
}

TEST_F(NetworkFaults, RecordCutByAClosedConnectionIsCompletedAfterTheReconnect)
{
    // The receive box joins arrivals whatever connection they came on: the rest of the record, sent
    // on the next connection, completes it.
    const std::string record = ":::S=012xxx090xxxxxx,DIBBBBBB.";
    std::atomic<int> connections{0};
    LoopbackServer controller([&](int& fd, const std::atomic<bool>& stopping) {
        LoopbackServer::sendAll(fd, connections++ == 0 ? record.substr(0, 17) : record.substr(17), stopping);
        if (connections > 1) {
            LoopbackServer::idle(fd, 5s, stopping);
        }
    });
    rig.pointChannelAt(u"127.0.0.1", controller.port());
    ASSERT_TRUE(pumpUntil([&] { return controller.accepted() >= 2; }, 5s, kLivePumpStep));
    // Speed 12, direction 90: Y = 384 - 12 * 7.2 = 297.6, rounded to 298.
    EXPECT_TRUE(rig.pointerReaches({512, 298}, 2s)) << "pointer at " << rig.cursor().at.x << "," << rig.cursor().at.y
                                                    << "; box " << toUtf8(rig.console().Text1.text());
    EXPECT_EQ(rig.console().Label2.caption(), fromUtf8(record));
}

} // namespace
} // namespace ride
