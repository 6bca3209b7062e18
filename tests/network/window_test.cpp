// SPDX-License-Identifier: GPL-3.0-or-later
// The network window's load step, its buttons, the timeout warning and LogBook.
#include "network_site.h"
#include "support/fake_tcp_socket.h"
#include "support/file_bytes.h"

namespace ride {
namespace {

using NetworkWindow = testing::NetworkSite;

TEST_F(NetworkWindow, WithoutSectionEveryBoxIsEmptyAndThePolicyIgnore)
{
    Frmsock& w = open();
    Channel& ch = w.channel(0);
    EXPECT_EQ(ch.TxtTcpIp.text(), u"") << "the design text does not survive a load";
    EXPECT_EQ(ch.TxtTcpPost.text(), u"");
    EXPECT_EQ(ch.TxtTcpNam.text(), u"");
    EXPECT_EQ(ch.CMDTCP同步到其它端口.text(), u"");
    EXPECT_EQ(ch.CMB发送失败处理方法.text(), u"忽略");
    EXPECT_EQ(ch.LBLTcpState.caption(), u"-1");
    EXPECT_EQ(ch.LblTcpNam.caption(), u"TCPS0");
    EXPECT_EQ(ch.sendFlag, u"init");
    EXPECT_EQ(w.window.caption(), u"网络控制调试窗口");
    EXPECT_EQ(w.window.geometry().width, 14925);
    EXPECT_EQ(w.TXTTCP连接超时.text(), u"15");
    EXPECT_FALSE(w.Text5.text().empty());
    EXPECT_TRUE(log().empty()) << "nothing failed, nothing logged";
    const std::deque<Text> entries{u"忽略",           u"忽略放弃本条", u"尝试循环",
                                   u"尝试到有新数据", u"只发最后一条", u"提示人工选择"};
    EXPECT_EQ(ch.CMB发送失败处理方法.items(), entries);
}

TEST_F(NetworkWindow, StoredTextsAreShownAsTheyAre)
{
    setNet(u"TxtTcpIp0", u" 192.168.1.100 ");
    setNet(u"TxtTcpPost0", u"08001");
    setNet(u"TxtTcp通道名称0", u"控制器");
    setNet(u"TxtTCP同步到其它端口0", u"是");
    setNet(u"发送失败处理方法0", u"重新发送循环");
    Frmsock& w = open();
    Channel& ch = w.channel(0);
    EXPECT_EQ(ch.TxtTcpIp.text(), u"192.168.1.100") << "reads are trimmed";
    EXPECT_EQ(ch.TxtTcpPost.text(), u"08001");
    EXPECT_EQ(ch.TxtTcpNam.text(), u"控制器");
    EXPECT_EQ(ch.CMDTCP同步到其它端口.text(), u"是");
    EXPECT_EQ(ch.CMB发送失败处理方法.text(), u"重新发送循环") << "free text outside the list stays";
}

TEST_F(NetworkWindow, SaveThenReloadKeepsEveryBox)
{
    Frmsock& w = open();
    Channel& ch = w.channel(0);
    ch.TxtTcpIp.setText(u"10.0.0.7");
    ch.TxtTcpPost.setText(u"9000");
    ch.TxtTcpNam.setText(u"车1");
    ch.CMDTCP同步到其它端口.setText(u"否");
    ch.CMB发送失败处理方法.setText(u"提示人工选择");
    w.Command2.click();
    ch.TxtTcpIp.setText(u"edited, not saved");
    ch.CMB发送失败处理方法.setText(u"");
    w.Command1.click();
    EXPECT_EQ(ch.TxtTcpIp.text(), u"10.0.0.7");
    EXPECT_EQ(ch.TxtTcpPost.text(), u"9000");
    EXPECT_EQ(ch.TxtTcpNam.text(), u"车1");
    EXPECT_EQ(ch.CMDTCP同步到其它端口.text(), u"否");
    EXPECT_EQ(ch.CMB发送失败处理方法.text(), u"提示人工选择");

    // An emptied policy box is saved empty and comes back as the first entry.
    ch.CMB发送失败处理方法.setText(u"");
    w.Command2.click();
    w.Command1.click();
    EXPECT_EQ(ch.CMB发送失败处理方法.text(), u"忽略");
    EXPECT_EQ(ReadIni(ini(), u"网络参数", u"TxtTcp通道名称0"), u"车1");
}

TEST_F(NetworkWindow, SaveWritesFiveKeysPerChannelInOrder)
{
    Frmsock& w = open(2);
    w.Command2.click();
    const std::string bytes = testing::readBytes(ini());
    const std::string expectedOrder[] = {"TxtTcpIp0=", "TxtTcpPost0=", toGbk(u"TxtTcp通道名称0="),
                                         toGbk(u"TxtTCP同步到其它端口0="), toGbk(u"发送失败处理方法0=")};
    std::size_t at = bytes.find(toGbk(u"[网络参数]"));
    ASSERT_NE(at, std::string::npos);
    for (const std::string& key : expectedOrder) {
        const std::size_t next = bytes.find(key, at);
        ASSERT_NE(next, std::string::npos) << key;
        at = next;
    }
    EXPECT_NE(bytes.find("TxtTcpIp1=", at), std::string::npos);
}

TEST_F(NetworkWindow, RowsBeyondEightLineUpInBlocksAndGetTheirCaptions)
{
    Frmsock& w = open(10);
    for (std::size_t i = 8; i < 10; ++i) {
        EXPECT_EQ(w.channel(i).top, w.channel(i - 8).top) << i;
        EXPECT_NE(w.channel(i).WinsockTcp, nullptr);
        EXPECT_EQ(w.channel(i).CMB发送失败处理方法.text(), u"忽略");
    }
    EXPECT_NE(w.channel(1).top, w.channel(0).top);
    EXPECT_EQ(w.channel(8).LblTcpNam.caption(), u"TCPS8");
    EXPECT_EQ(w.channel(9).LblTcpNam.caption(), u"TCPS9");
    EXPECT_EQ(w.channel(7).LblTcpNam.caption(), u"TCPS7");
    EXPECT_EQ(w.channel(9).CMB发送失败处理方法.items().size(), 6u);
    EXPECT_EQ(w.channel(1).sendFlag, u"") << "only channel 0's socket starts as init";
}

TEST_F(NetworkWindow, ReloadReplacesTheSocketsOfChannelsAfterTheFirst)
{
    Frmsock& w = open(3);
    const TcpSocket* first = w.channel(0).WinsockTcp.get();
    const TcpSocket* second = w.channel(1).WinsockTcp.get();
    w.Command1.click();
    EXPECT_EQ(w.channel(0).WinsockTcp.get(), first) << "channel 0 keeps its connection";
    EXPECT_NE(w.channel(1).WinsockTcp.get(), nullptr);
    EXPECT_NE(w.channel(1).WinsockTcp.get(), second);
}

TEST_F(NetworkWindow, CloseOnlyHides)
{
    Frmsock& w = open();
    w.window.show();
    w.channel(0).TxtTcpTx.setText(u"kept");
    w.requestClose();
    EXPECT_FALSE(w.window.visible());
    EXPECT_EQ(w.channel(0).TxtTcpTx.itemCount(), 1u);
    w.window.show();
    w.Command3.click();
    EXPECT_FALSE(w.window.visible());
}

TEST_F(NetworkWindow, EveryEditBelowTenWarnsOnce)
{
    Frmsock& w = open();
    w.TXTTCP连接超时.setText(u"1");
    w.TXTTCP连接超时.setText(u"10");
    EXPECT_EQ(log().size(), 1u);
    w.TXTTCP连接超时.setText(u"9");
    w.TXTTCP连接超时.setText(u"");
    w.TXTTCP连接超时.setText(u"abc");
    ASSERT_EQ(log().size(), 4u);
    for (const Text& line : log()) {
        EXPECT_EQ(line, u"TCP连接超时时间必须大于10秒");
    }
}

TEST_F(NetworkWindow, FailingLoadStatementsAreSkippedAndTheLastOneLoggedOnce)
{
    // The system grants one socket: channel 0 gets it, channels 1 and 2 none.
    setNet(u"TxtTcpIp2", u"10.0.0.9");
    setNet(u"TxtTcpPost2", u"8002");
    Frmsock& w = openFake(3, [](testing::TestSite& s) { s.sockets().capacity = 1; });
    ASSERT_EQ(log().size(), 1u) << "one line for the whole load step";
    EXPECT_EQ(log()[0], u"网络调试窗口加载429no socket could be created for channel 2");
    EXPECT_EQ(w.channel(2).TxtTcpIp.text(), u"10.0.0.9") << "the statements after a failure still ran";
    EXPECT_EQ(w.channel(1).CMB发送失败处理方法.text(), u"忽略");
    EXPECT_EQ(w.Text5.text(), u"10.1.2.3");

    // The channels without a socket stay idle and harm nobody.
    w.channel(1).TxtTcpTx.setText(u"waits");
    w.TmrTcp发送.tick();
    tickSupervision();
    w.Timer3.tick();
    EXPECT_EQ(w.channel(1).TxtTcpTx.itemCount(), 1u);

    // Once sockets can be created again, "读取并重新配置" gives them to the channels.
    fakes().capacity = SIZE_MAX;
    w.Command1.click();
    EXPECT_EQ(log().size(), 1u);
    ASSERT_NE(w.channel(2).WinsockTcp, nullptr);
    tickSupervision();
    EXPECT_EQ(fakes().made.back()->connects, 1) << "channel 2 is supervised again";
}

TEST_F(NetworkWindow, WindowWithoutItsFirstSocketLogsTheLoadFailure)
{
    Frmsock& w = openFake(1, [](testing::TestSite& s) { s.sockets().capacity = 0; });
    ASSERT_EQ(log().size(), 1u);
    EXPECT_EQ(log()[0], u"网络调试窗口加载91the socket of channel 0 is missing");
    EXPECT_EQ(w.Text5.text(), u"");
    EXPECT_EQ(w.channel(0).CMB发送失败处理方法.text(), u"忽略");
    w.Timer3.tick();
    w.TmrTcp发送.tick();
    tickSupervision();
    EXPECT_EQ(w.channel(0).TxtTcpTx.items().back(), u"99991") << "the heartbeat still queues";
}

TEST_F(NetworkWindow, LogBookAppendsTheLineUnchanged)
{
    Frmsock& w = open();
    ::testing::internal::CaptureStderr();
    w.LogBook(u"  10061Connection is forcefully rejected.  TCPS0");
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(log().size(), 1u);
    EXPECT_EQ(log()[0], u"  10061Connection is forcefully rejected.  TCPS0");
    EXPECT_NE(err.find("10061Connection is forcefully rejected.  TCPS0"), std::string::npos) << err;
}

} // namespace
} // namespace ride
