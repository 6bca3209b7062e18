// SPDX-License-Identifier: GPL-3.0-or-later
// Data arriving on a channel, and the send queue with its completions and failure policies.
#include "base/step_runner.h"
#include "network/receive_path.h"
#include "network_site.h"
#include "support/fake_tcp_socket.h"

namespace ride {
namespace {

using namespace std::chrono_literals;

using ChannelTraffic = testing::NetworkSite;

TEST_F(ChannelTraffic, ArrivalsReachTheDecoderAndMarkTheChannelAlive)
{
    openFake(2);
    Channel& ch = net->channel(0);
    ch.LBLTcpState.setTag(u"12");
    ch.LblTcpNam.setForeColor(kSilentColor);
    net->channel(1).LblTcpNam.setForeColor(kSilentColor);

    socket(0).arrive(u":::S=010xxx090xx");
    EXPECT_EQ(ch.TxtTcpRx.text(), u":::S=010xxx090xx");
    EXPECT_EQ(ch.LBLTcpState.tag(), u"0");
    EXPECT_EQ(ch.LblTcpNam.foreColor(), kAliveColor);
    EXPECT_EQ(net->channel(1).LblTcpNam.foreColor(), kSilentColor) << "other channels untouched";
    socket(0).arrive(u"xxxx,DIBBBBBB.");
    EXPECT_EQ(ch.TxtTcpRx.text(), u"xxxx,DIBBBBBB.");
    ASSERT_EQ(cursor().moves.size(), 1u);
    EXPECT_EQ(cursor().moves[0], (CursorPoint{512, 312}));
}

TEST_F(ChannelTraffic, ChunksFromTwoChannelsAreAppendedInArrivalOrder)
{
    openFake(2);
    socket(0).arrive(u"AB");
    socket(1).arrive(u"CD");
    socket(0).arrive(u"EF");
    EXPECT_EQ(console().Text1.text(), u"ABCDEF");
    EXPECT_EQ(net->channel(0).TxtTcpRx.text(), u"EF");
}

TEST_F(ChannelTraffic, ReceiveBoxKeepsAThousandAndEmptiesLonger)
{
    openFake();
    socket(0).arrive(Text(1000, u'x'));
    EXPECT_EQ(net->channel(0).TxtTcpRx.text().size(), 1000u);
    socket(0).arrive(Text(1001, u'y'));
    EXPECT_EQ(net->channel(0).TxtTcpRx.text(), u"");
    EXPECT_EQ(console().Text1.text(), u"") << "the console's own length rule dropped the 2001 characters";
    net->channel(0).TxtTcpRx.setText(Text(1001, u'z')); // typed by the operator: same rule
    EXPECT_EQ(net->channel(0).TxtTcpRx.text(), u"");
}

TEST_F(ChannelTraffic, EmptyArrivalStillMarksTheChannelAlive)
{
    openFake();
    Channel& ch = net->channel(0);
    ch.TxtTcpRx.setText(u"old");
    ch.LBLTcpState.setTag(u"5");
    socket(0).arrive(u"");
    EXPECT_EQ(ch.TxtTcpRx.text(), u"");
    EXPECT_EQ(ch.LBLTcpState.tag(), u"0");
    EXPECT_EQ(ch.LblTcpNam.foreColor(), kAliveColor);
}

TEST_F(ChannelTraffic, TypingQueuesEveryEditAndTheCacheTextIsNeverQueued)
{
    openFake();
    ComboBox& tx = net->channel(0).TxtTcpTx;
    tx.setText(u"A");
    tx.setText(u"AB");
    tx.setText(u"");
    tx.setText(u"发送缓存:12");
    tx.setText(u"发送缓存");
    tx.setText(u"AB");
    EXPECT_EQ(queue(), (std::vector<Text>{u"A", u"AB", u"发送缓存", u"AB"}));
}

TEST_F(ChannelTraffic, ChoosingAWaitingEntryQueuesNothing)
{
    openFake();
    socket().setState(7);
    ComboBox& tx = net->channel(0).TxtTcpTx;
    tx.setText(u"A");
    tx.setText(u"B");
    tx.chooseItem(0);
    EXPECT_EQ(tx.text(), u"A");
    EXPECT_EQ(queue(), (std::vector<Text>{u"A", u"B"}));
    tx.setText(u"A");
    EXPECT_EQ(queue().size(), 2u) << "the chosen text is already the box's text";

    net->Timer3.tick();
    EXPECT_EQ(queue(), (std::vector<Text>{u"A", u"B", u"99991"}));
    tx.chooseItem(1);
    net->TmrTcp发送.tick();
    socket().complete();
    EXPECT_EQ(socket().sent, std::vector<std::string>{"A"});
    EXPECT_EQ(queue(), (std::vector<Text>{u"B", u"99991"}));
    EXPECT_EQ(tx.text(), u"B") << "completions leave the edit text alone";
    tx.setText(u"B!");
    EXPECT_EQ(queue().back(), u"B!");
}

TEST_F(ChannelTraffic, QueueKeepsTheNewestThousand)
{
    openFake();
    ComboBox& tx = net->channel(0).TxtTcpTx;
    for (int i = 1; i <= 1001; ++i) {
        tx.setText(fromUtf8(std::to_string(i)));
    }
    ASSERT_EQ(tx.itemCount(), 1000u);
    EXPECT_EQ(tx.items().front(), u"2");
    EXPECT_EQ(tx.items().back(), u"1001");
}

TEST_F(ChannelTraffic, HeadIsSentOnceAndEachCompletionRemovesTheItemItCompletes)
{
    openFake();
    socket().setState(7);
    ComboBox& tx = net->channel(0).TxtTcpTx;
    tx.setText(u"one");
    tx.setText(u"HEX 41 42");
    for (int i = 0; i < 5; ++i) {
        net->TmrTcp发送.tick(); // completions slower than the timer
    }
    ASSERT_EQ(socket().sent, std::vector<std::string>{"one"});
    EXPECT_EQ(net->channel(0).sendFlag, u"SendData");
    socket().complete();
    EXPECT_EQ(net->channel(0).sendFlag, u"SendComplete");
    EXPECT_EQ(queue(), std::vector<Text>{u"HEX 41 42"});
    net->TmrTcp发送.tick();
    net->TmrTcp发送.tick();
    ASSERT_EQ(socket().sent.size(), 2u);
    EXPECT_EQ(socket().sent[1], std::string("AB\0", 3));
    socket().complete();
    EXPECT_TRUE(queue().empty());
    EXPECT_EQ(net->channel(0).LBLTcpState.tag(), u"0");
    EXPECT_EQ(net->channel(0).LblTcpNam.foreColor(), kAliveColor);
}

TEST_F(ChannelTraffic, AFailedSendIsLoggedWithItsNumberAndTheItemStaysQueued)
{
    openFake();
    socket().setState(7);
    socket().sendFailure = SocketFailure{10053, "Software caused connection abort"};
    net->channel(0).TxtTcpTx.setText(u"one");
    net->TmrTcp发送.tick();
    ASSERT_EQ(log().size(), 1u);
    EXPECT_EQ(log().back(), u"10053Software caused connection abortTCPS发送出错");
    EXPECT_EQ(queue(), std::vector<Text>{u"one"});

    // Not in flight: once the socket takes bytes again, the next pass sends the same item.
    socket().sendFailure.reset();
    net->TmrTcp发送.tick();
    EXPECT_EQ(socket().sent, std::vector<std::string>{"one"});
    EXPECT_EQ(log().size(), 1u);
}

// A step of the enqueue that fails (here the send box's list, which a view follows, cannot take
// the change) is skipped and the next one runs; the enqueue then logs one line for its last
// failure: number, description and "TCPS发送出错" run together.
TEST_F(ChannelTraffic, AFailedEnqueueLogsOneLineForItsLastFailure)
{
    struct Case {
        const char* what;
        bool appendFails;
        bool trimFails;
        std::vector<Text> lines;
    };
    const Case cases[] = {
        {"nothing fails", false, false, {}},
        {"the append fails", true, false, {u"7Out of memoryTCPS发送出错"}},
        {"the trim fails", false, true, {u"9Subscript out of rangeTCPS发送出错"}},
        {"both fail", true, true, {u"9Subscript out of rangeTCPS发送出错"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        openFake();
        ComboBox& tx = net->channel(0).TxtTcpTx;
        for (int i = 1; i <= 1000; ++i) {
            tx.setText(fromUtf8(std::to_string(i)));
        }
        tx.onItemsChanged([&](ComboBox::ItemChange change) {
            if (c.appendFails && change == ComboBox::ItemChange::Appended) {
                throw NumberedFailure(7, "Out of memory");
            }
            if (c.trimFails && change == ComboBox::ItemChange::FirstRemoved) {
                throw NumberedFailure(9, "Subscript out of range");
            }
        });
        tx.setText(u"1001");
        EXPECT_EQ(log(), c.lines);
        // Whatever failed after it, the item is queued and the queue keeps its limit.
        EXPECT_EQ(tx.items().back(), u"1001");
        EXPECT_EQ(tx.itemCount(), 1000u);
    }
}

TEST_F(ChannelTraffic, CompletionOnAnEmptyQueueStillMarksAlive)
{
    openFake();
    net->channel(0).LBLTcpState.setTag(u"3");
    socket().complete();
    EXPECT_EQ(net->channel(0).sendFlag, u"SendComplete");
    EXPECT_EQ(net->channel(0).LBLTcpState.tag(), u"0");
}

TEST_F(ChannelTraffic, DisconnectedChannelDropsOnlyWithTheDropPolicy)
{
    openFake();
    Channel& ch = net->channel(0);
    for (const char16_t* item : {u"a", u"b", u"c"}) {
        ch.TxtTcpTx.setText(item);
    }
    net->TmrTcp发送.tick();
    EXPECT_EQ(queue().size(), 3u);
    EXPECT_EQ(ch.sendFlag, u"SendData");
    ch.CMB发送失败处理方法.setText(u"忽略放弃本条");
    net->TmrTcp发送.tick();
    EXPECT_EQ(queue(), (std::vector<Text>{u"b", u"c"}));
    net->TmrTcp发送.tick();
    EXPECT_EQ(queue(), (std::vector<Text>{u"c"}));
    EXPECT_TRUE(socket().sent.empty());
}

TEST_F(ChannelTraffic, ReconnectAfterAStallSendsTheHeadAgain)
{
    openFake();
    socket().setState(7);
    net->channel(0).TxtTcpTx.setText(u"x");
    net->TmrTcp发送.tick();
    socket().setState(8); // the link broke before the completion came
    net->TmrTcp发送.tick();
    socket().setState(7);
    net->TmrTcp发送.tick();
    EXPECT_EQ(socket().sent, (std::vector<std::string>{"x", "x"}));
}

TEST_F(ChannelTraffic, EveryFailurePolicyOnConnectedAndDisconnectedChannels)
{
    struct Case {
        const char16_t* policy;
        bool answer;
        std::vector<Text> left;
    };
    const Case cases[] = {
        {u"忽略放弃本条", true, {u"2", u"3"}},       {u"尝试循环", true, {u"1", u"2", u"3"}},
        {u"尝试到有新数据", true, {u"2", u"3"}},     {u"只发最后一条", true, {u"3"}},
        {u"提示人工选择", true, {u"1", u"2", u"3"}}, {u"提示人工选择", false, {u"2", u"3"}},
        {u"忽略", true, {u"1", u"2", u"3"}},
    };
    for (int connected = 0; connected < 2; ++connected) {
        for (const Case& c : cases) {
            openFake();
            socket().setState(connected ? 7 : 0);
            Channel& ch = net->channel(0);
            for (const char16_t* item : {u"1", u"2", u"3"}) {
                ch.TxtTcpTx.setText(item);
            }
            ch.CMB发送失败处理方法.setText(c.policy);
            ch.sendFlag = send_flag::kSendData;
            site->question.answer = c.answer;
            site->question.asked.clear();
            net->sendQueue().ApplySendFailurePolicy(0);
            EXPECT_EQ(queue(), c.left) << toUtf8(c.policy) << " connected " << connected;
            EXPECT_EQ(ch.sendFlag, u"SendErr");
            const bool asks = Text(c.policy) == u"提示人工选择";
            EXPECT_EQ(site->question.asked, asks ? std::vector<Text>{u"是否重新发送？"} : std::vector<Text>{});
        }
    }
}

TEST_F(ChannelTraffic, RetryUntilNewerKeepsASingleItem)
{
    openFake();
    Channel& ch = net->channel(0);
    ch.TxtTcpTx.setText(u"only");
    ch.CMB发送失败处理方法.setText(u"尝试到有新数据");
    net->sendQueue().ApplySendFailurePolicy(0);
    EXPECT_EQ(queue(), std::vector<Text>{u"only"});
}

TEST_F(ChannelTraffic, SendTimerSleepsOverEmptyQueuesAndWakesOnEnqueue)
{
    openFake();
    Timer& timer = net->TmrTcp发送;
    EXPECT_TRUE(timer.enabled());
    timer.tick();
    EXPECT_TRUE(timer.dormant());
    net->channel(0).TxtTcpTx.setText(u"x");
    EXPECT_FALSE(timer.dormant()) << "an item waits: the timer must run";
    timer.tick(); // disconnected: the item stays, so does the timer
    EXPECT_FALSE(timer.dormant());
    socket().setState(7);
    timer.tick();
    socket().complete();
    timer.tick();
    EXPECT_TRUE(timer.dormant());
    EXPECT_TRUE(timer.enabled()) << "never disabled";
}

TEST_F(ChannelTraffic, RealLoopbackPeerGetsEveryItemOnceInOrder)
{
    testing::LoopbackServer server;
    Frmsock& w = open();
    Channel& ch = point(u"127.0.0.1", server.port());
    tickSupervision();
    ASSERT_TRUE(testing::pumpUntil([&] { return ch.WinsockTcp->state() == 7; }));
    std::string expected;
    for (int i = 0; i < 200; ++i) {
        const std::string item = "<" + std::to_string(i) + ">";
        ch.TxtTcpTx.setText(fromUtf8(item));
        expected += item;
    }
    ASSERT_TRUE(testing::pumpUntil(
        [&] {
            w.TmrTcp发送.tick();
            return ch.TxtTcpTx.itemCount() == 0;
        },
        10s));
    ASSERT_TRUE(testing::pumpUntil([&] { return server.received().size() >= expected.size(); }));
    EXPECT_EQ(server.received(), expected);
}

} // namespace
} // namespace ride
