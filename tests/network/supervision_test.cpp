// SPDX-License-Identifier: GPL-3.0-or-later
// Connection supervision with its timers ticked one by one, against real loopback servers (and a
// scripted socket where an exact sequence of socket events matters).
#include "network_site.h"
#include "support/fake_tcp_socket.h"

namespace ride {
namespace {

using namespace std::chrono_literals;

class Supervising : public testing::NetworkSite {
protected:
    // Ticks supervision and lets the network settle, as a second of the real program would.
    void second()
    {
        tickSupervision();
        testing::pumpFor(30ms);
    }
};

TEST_F(Supervising, SilentControllerTurnsRedOnTenTimesOutOnSixteenReconnectsOnSeventeen)
{
    testing::LoopbackServer server;
    Channel& ch = point(u"127.0.0.1", server.port());
    second();
    ASSERT_TRUE(testing::pumpUntil([&] { return server.connected() && ch.WinsockTcp->state() == 7; }));
    server.send("hello"); // tick 0: a sign of life
    ASSERT_TRUE(testing::pumpUntil([&] { return ch.LblTcpNam.foreColor() == kAliveColor; }));
    ASSERT_EQ(ch.LBLTcpState.tag(), u"0");

    for (int tick = 1; tick <= 17; ++tick) {
        second();
        SCOPED_TRACE(tick);
        if (tick <= 9) {
            EXPECT_EQ(ch.LblTcpNam.foreColor(), kAliveColor);
        }
        if (tick == 10) {
            EXPECT_EQ(ch.LblTcpNam.foreColor(), kSilentColor);
        }
        if (tick == 15) {
            EXPECT_EQ(ch.LBLTcpState.tag(), u"15");
            EXPECT_EQ(ch.WinsockTcp->state(), 7);
        }
        if (tick == 16) {
            EXPECT_EQ(ch.LBLTcpState.tag(), u"0");
            EXPECT_EQ(ch.WinsockTcp->state(), 0) << "timed out and closed";
            EXPECT_EQ(server.accepted(), 1);
        }
        if (tick == 17) {
            ASSERT_TRUE(testing::pumpUntil([&] { return server.accepted() == 2; })) << "reconnected";
        }
    }
}

TEST_F(Supervising, RefusedControllerIsRetriedEverySecondAndEveryFailureLogged)
{
    const int port = testing::LoopbackServer::refusingPort();
    Frmsock& w = open();
    Channel& ch = point(u"127.0.0.1", port);
    for (int i = 0; i < 4; ++i) {
        w.Timer3.tick();
        w.TmrTcp发送.tick(); // the heartbeat keeps the queue filled: the flag goes back to SendData
        second();
        ASSERT_TRUE(testing::pumpUntil([&] { return log().size() == std::size_t(i + 1); })) << i;
    }
    for (const Text& line : log()) {
        EXPECT_EQ(line, u"10061Connection is forcefully rejected.  TCPS0");
    }
    EXPECT_EQ(ch.LblTcpNam.foreColor(), kSilentColor);
}

TEST_F(Supervising, PeerThatClosesIsReconnectedOnTheNextTick)
{
    testing::LoopbackServer server;
    Channel& ch = point(u"127.0.0.1", server.port());
    second();
    ASSERT_TRUE(testing::pumpUntil([&] { return server.connected(); }));
    server.dropConnection();
    ASSERT_TRUE(testing::pumpUntil([&] { return ch.WinsockTcp->state() == 8; }));
    second();
    EXPECT_EQ(ch.LBLTcpState.caption() == u"6" || ch.LBLTcpState.caption() == u"7" || ch.LBLTcpState.caption() == u"4",
              true)
        << toUtf8(ch.LBLTcpState.caption());
    ASSERT_TRUE(testing::pumpUntil([&] { return server.accepted() == 2; }));
}

TEST_F(Supervising, EditedPortRecyclesTheLinkInTheSamePass)
{
    testing::LoopbackServer first;
    testing::LoopbackServer second_;
    Channel& ch = point(u"127.0.0.1", first.port());
    second();
    ASSERT_TRUE(testing::pumpUntil([&] { return ch.WinsockTcp->state() == 7; }));
    ch.TxtTcpPost.setText(fromUtf8(std::to_string(second_.port())));
    tickSupervision();
    ASSERT_TRUE(testing::pumpUntil([&] { return second_.accepted() == 1; }));
    ASSERT_TRUE(testing::pumpUntil([&] { return !first.connected(); })) << "the old link was closed";
}

TEST_F(Supervising, BlanksAroundTheIpDoNotRecycleAHealthyLink)
{
    testing::LoopbackServer server;
    Channel& ch = point(u" 127.0.0.1 ", server.port());
    second();
    ASSERT_TRUE(testing::pumpUntil([&] { return ch.WinsockTcp->state() == 7; }));
    EXPECT_EQ(ch.WinsockTcp->remoteHost(), u" 127.0.0.1 ") << "connected to the text as typed";
    for (int i = 0; i < 3; ++i) {
        second();
    }
    EXPECT_EQ(server.accepted(), 1);
}

TEST_F(Supervising, PortWithLeadingZeroIsReconnectedEveryTick)
{
    testing::LoopbackServer server;
    Channel& ch = point(u"127.0.0.1", server.port());
    ch.TxtTcpPost.setText(u"0" + ch.TxtTcpPost.text());
    for (int i = 0; i < 3; ++i) {
        second();
        testing::pumpUntil([&] { return ch.WinsockTcp->state() == 7; });
    }
    EXPECT_TRUE(testing::pumpUntil([&] { return server.accepted() == 3; }));
}

TEST_F(Supervising, ShortIpOrBadPortNeverConnects)
{
    testing::LoopbackServer server;
    for (const char16_t* ip : {u"1.2.3.", u"127.0.0.1"}) {
        Channel& ch = point(ip, server.port());
        if (Text(ip) == u"127.0.0.1") {
            ch.TxtTcpPost.setText(u"-1");
        }
        for (int i = 0; i < 3; ++i) {
            second();
        }
        EXPECT_EQ(server.accepted(), 0) << toUtf8(ip);
        EXPECT_EQ(ch.LBLTcpState.caption(), u"0");
        EXPECT_EQ(ch.LblTcpNam.foreColor(), kSilentColor) << "configured, shown red";
    }
}

TEST_F(Supervising, ClearedEndpointKeepsALiveLinkUntilTheTimeout)
{
    testing::LoopbackServer server;
    Frmsock& w = open();
    Channel& ch = point(u"127.0.0.1", server.port());
    w.TXTTCP连接超时.setText(u"3");
    second();
    ASSERT_TRUE(testing::pumpUntil([&] { return ch.WinsockTcp->state() == 7; }));
    ch.LBLTcpState.setTag(u"0");
    ch.TxtTcpIp.setText(u"");
    ch.TxtTcpPost.setText(u"");
    for (int tick = 1; tick <= 3; ++tick) {
        second();
        EXPECT_EQ(ch.LblTcpNam.foreColor(), kButtonFaceColor);
        EXPECT_EQ(ch.WinsockTcp->state(), 7) << tick;
    }
    second();
    EXPECT_EQ(ch.WinsockTcp->state(), 0);
    for (int i = 0; i < 3; ++i) {
        second();
    }
    EXPECT_EQ(server.accepted(), 1) << "an unconfigured channel is not reconnected";
}

TEST_F(Supervising, ConnectAttemptHangingInSixIsLeftAloneAndEndedOnlyByTheTimeout)
{
    for (int timeout : {15, 12}) {
        SCOPED_TRACE(timeout);
        Frmsock& w = openFake();
        testing::FakeTcpSocket& s = *fakes().made[0];
        s.stateAfterConnect = socket_state::kConnecting; // the controller never answers
        Channel& ch = point(u"10.0.0.1", 8001);
        w.TXTTCP连接超时.setText(fromUtf8(std::to_string(timeout)));
        // Tick 1 starts the attempt; the idle count was 0 before it.
        for (int tick = 1; tick <= timeout; ++tick) {
            tickSupervision();
            SCOPED_TRACE(tick);
            ASSERT_EQ(s.connects, 1) << "no second attempt while the first hangs";
            ASSERT_EQ(s.closes, 0) << "a hanging attempt is not recycled";
            ASSERT_EQ(ch.LBLTcpState.caption(), u"6");
            ASSERT_EQ(ch.LBLTcpState.tag(), fromUtf8(std::to_string(tick)));
            ASSERT_EQ(ch.LblTcpNam.foreColor(), kSilentColor);
        }
        tickSupervision(); // tick T+1: the timeout ends the attempt
        EXPECT_EQ(s.closes, 1);
        EXPECT_EQ(s.connects, 1) << "not restarted in the pass that closed it";
        EXPECT_EQ(s.state(), socket_state::kClosed);
        EXPECT_EQ(ch.LBLTcpState.tag(), u"0");
        tickSupervision(); // tick T+2: started again
        EXPECT_EQ(s.connects, 2);
        EXPECT_EQ(s.closes, 1);
        EXPECT_EQ(ch.LBLTcpState.caption(), u"6");
        EXPECT_EQ(ch.LBLTcpState.tag(), u"1");
    }
}

// A timeout box that reads 0 or less (0, empty, negative, no number) lets no tick pass: each tick
// starts the connection and closes it again at its end, handing a pending send to the policy
// first. A timeout of 1 is the contrast: the second tick ends the link, the third restarts it.
TEST_F(Supervising, TimeoutOfZeroOrLessClosesTheConnectionOnEveryTick)
{
    struct Case {
        const char16_t* timeout;
        int connects;
        int closes;
        std::size_t itemsLeft;
    };
    const Case cases[] = {{u"0", 3, 3, 0}, {u"", 3, 3, 0}, {u"-5", 3, 3, 0}, {u"abc", 3, 3, 0}, {u"1", 2, 1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(toUtf8(c.timeout));
        Frmsock& w = openFake();
        testing::FakeTcpSocket& s = *fakes().made[0];
        Channel& ch = point(u"10.0.0.1", 8001);
        ch.CMB发送失败处理方法.setText(u"忽略放弃本条");
        for (const char16_t* item : {u"a", u"b", u"c"}) {
            ch.TxtTcpTx.setText(item);
        }
        w.TXTTCP连接超时.setText(c.timeout);
        for (int tick = 1; tick <= 3; ++tick) {
            ch.sendFlag = send_flag::kSendData; // the send pass's mark: a send is due
            tickSupervision();
        }
        EXPECT_EQ(s.connects, c.connects);
        EXPECT_EQ(s.closes, c.closes);
        EXPECT_EQ(ch.TxtTcpTx.itemCount(), c.itemsLeft) << "each timeout hands the pending send to the policy";
        if (c.closes == 3) {
            EXPECT_EQ(s.state(), socket_state::kClosed) << "closed at the end of the tick that started it";
            EXPECT_EQ(ch.LBLTcpState.tag(), u"0");
        }
    }
}

TEST_F(Supervising, NewConnectionStaysRedAtSevenUntilDataArrivesOrASendCompletes)
{
    for (const bool byData : {true, false}) {
        SCOPED_TRACE(byData ? "data arrives" : "a send completes");
        Frmsock& w = openFake();
        testing::FakeTcpSocket& s = *fakes().made[0];
        s.stateAfterConnect = socket_state::kConnecting;
        Channel& ch = w.channel(0);
        ch.LblTcpNam.setForeColor(kAliveColor); // alive on an earlier connection
        point(u"10.0.0.1", 8001);
        tickSupervision();
        ASSERT_EQ(ch.LBLTcpState.caption(), u"6");
        EXPECT_EQ(ch.LblTcpNam.foreColor(), kSilentColor);
        s.setState(socket_state::kConnected);
        for (int tick = 2; tick <= 5; ++tick) {
            tickSupervision();
            EXPECT_EQ(ch.LBLTcpState.caption(), u"7") << tick;
            EXPECT_EQ(ch.LblTcpNam.foreColor(), kSilentColor) << "connected is no sign of life, tick " << tick;
        }
        if (byData) {
            s.arrive(u"x");
        } else {
            ch.TxtTcpTx.setText(u"hello");
            w.TmrTcp发送.tick();
            ASSERT_EQ(s.sent, std::vector<std::string>{"hello"});
            EXPECT_EQ(ch.LblTcpNam.foreColor(), kSilentColor) << "sent, not yet completed";
            s.complete();
        }
        EXPECT_EQ(ch.LblTcpNam.foreColor(), kAliveColor);
        tickSupervision();
        EXPECT_EQ(ch.LblTcpNam.foreColor(), kAliveColor);
        EXPECT_EQ(s.connects, 1);
    }
}

TEST_F(Supervising, RedThresholdIsTestedBeforeTheIncrement)
{
    openFake();
    Channel& ch = point(u"10.0.0.1", 8001);
    tickSupervision(); // connects the scripted socket: state 7 at once
    ch.LblTcpNam.setForeColor(kAliveColor);
    ch.LBLTcpState.setTag(u"8");
    tickSupervision();
    EXPECT_EQ(ch.LblTcpNam.foreColor(), kAliveColor);
    EXPECT_EQ(ch.LBLTcpState.tag(), u"9");
    tickSupervision();
    EXPECT_EQ(ch.LblTcpNam.foreColor(), kSilentColor);
    EXPECT_EQ(fakes().made[0]->connects, 1);
}

TEST_F(Supervising, ErrorLinesAreSuppressedWhileTheFlagHoldsTheSameNumber)
{
    Frmsock& w = openFake();
    testing::FakeTcpSocket& s = *fakes().made[0];
    s.onError(10061, u"refused");
    s.onError(10061, u"refused");
    EXPECT_EQ(log().size(), 1u);
    s.onError(10060, u"timed out");
    EXPECT_EQ(log().size(), 2u);
    w.channel(0).sendFlag = send_flag::kSendData;
    s.onError(10060, u"timed out");
    ASSERT_EQ(log().size(), 3u);
    EXPECT_EQ(log()[2], u"10060timed out.  TCPS0");
    EXPECT_EQ(w.channel(0).sendFlag, u"10060");
}

TEST_F(Supervising, TimeoutHandsOnlyAPendingSendToThePolicy)
{
    for (const char16_t* flag : {u"SendData", u"SendComplete", u"SendErr", u"init", u"10061"}) {
        openFake();
        Channel& ch = point(u"10.0.0.1", 8001);
        ch.TxtTcpTx.setText(u"queued");
        ch.CMB发送失败处理方法.setText(u"提示人工选择");
        tickSupervision();
        ch.LBLTcpState.setTag(u"15");
        ch.sendFlag = flag;
        site->question.asked.clear();
        tickSupervision();
        EXPECT_EQ(site->question.asked.size(), Text(flag) == u"SendData" ? 1u : 0u) << toUtf8(flag);
        EXPECT_EQ(fakes().made[0]->state(), 0);
    }
}

TEST_F(Supervising, HeartbeatCountsFromItsTagAndWraps)
{
    Frmsock& w = open();
    for (int i = 0; i < 12; ++i) {
        w.Timer3.tick();
    }
    const auto& items = w.channel(0).TxtTcpTx.items();
    ASSERT_EQ(items.size(), 12u);
    EXPECT_EQ(items[0], u"99991");
    EXPECT_EQ(items[10], u"100001");
    EXPECT_EQ(items[11], u"0");
    w.Timer3.tick();
    EXPECT_EQ(items.back(), u"1");
}

TEST_F(Supervising, PassDoesNotOverlapItselfWhileTheQuestionIsOpen)
{
    Frmsock& w = openFake();
    Channel& ch = point(u"10.0.0.1", 8001);
    tickSupervision();
    ch.TxtTcpTx.setText(u"pending");
    ch.CMB发送失败处理方法.setText(u"提示人工选择");
    ch.sendFlag = send_flag::kSendData;
    ch.LBLTcpState.setTag(u"15");
    site->question.whileOpen = [&] {
        // The modal question's own event loop: timers keep coming due, records keep arriving.
        tickSupervision();
        tickSupervision();
        w.Timer3.tick();
        console().Text1.setText(u":::S=010xxx090xxxxxx,DIBBBBBB.");
    };
    tickSupervision();
    EXPECT_EQ(site->question.asked.size(), 1u);
    EXPECT_EQ(w.TMRTCPC连接状态判断.skippedTicks(), 2);
    EXPECT_EQ(cursor().moves.size(), 1u) << "the console went on decoding";
    EXPECT_EQ(ch.TxtTcpTx.items().back(), u"99991");
    EXPECT_TRUE(w.TMRTCPC连接状态判断.tick()) << "the pass runs again once the question is answered";
}

} // namespace
} // namespace ride
