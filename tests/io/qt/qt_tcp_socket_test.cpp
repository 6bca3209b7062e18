// SPDX-License-Identifier: GPL-3.0-or-later
// The TCP socket layer against a real loopback server: state numbers, one completion per send,
// GBK text split between arrivals, and error numbers.
#include "io/qt/qt_tcp_socket.h"
#include "support/loopback_server.h"
#include "support/qt_event_pump.h"

#include <gtest/gtest.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::pumpFor;
using testing::pumpUntil;

struct Recorder {
    explicit Recorder(QtTcpSocket& socket)
    {
        socket.onSendComplete = [this] { ++completions; };
        socket.onDataArrival = [this] { ++arrivals; };
        socket.onError = [this](int number, const Text& description) {
            errors.push_back(number);
            descriptions.push_back(description);
        };
    }
    int completions = 0;
    int arrivals = 0;
    std::vector<int> errors;
    std::vector<Text> descriptions;
};

void connectTo(QtTcpSocket& socket, int port)
{
    socket.setRemoteHost(u"127.0.0.1");
    socket.setRemotePort(port);
    socket.connect();
}

TEST(QtTcpSocketStates, ConnectPeerCloseAndClose)
{
    testing::LoopbackServer server;
    QtTcpSocket socket;
    Recorder rec(socket);
    EXPECT_EQ(socket.state(), 0);
    connectTo(socket, server.port());
    const int early = socket.state();
    EXPECT_TRUE(early == 4 || early == 6 || early == 7) << early;
    ASSERT_TRUE(pumpUntil([&] { return socket.state() == 7; }));
    EXPECT_EQ(socket.remoteHost(), u"127.0.0.1");
    EXPECT_EQ(socket.remotePort(), server.port());

    ASSERT_TRUE(pumpUntil([&] { return server.connected(); }));
    server.dropConnection();
    ASSERT_TRUE(pumpUntil([&] { return socket.state() == 8; }));
    pumpFor(100ms);
    EXPECT_EQ(socket.state(), 8) << "stays 8 until closed";
    EXPECT_TRUE(rec.errors.empty()) << "an orderly close by the peer is no error";
    socket.close();
    EXPECT_EQ(socket.state(), 0);
}

TEST(QtTcpSocketStates, RefusedConnectionIsErrorUntilClosed)
{
    const int port = testing::LoopbackServer::refusingPort();
    QtTcpSocket socket;
    Recorder rec(socket);
    connectTo(socket, port);
    ASSERT_TRUE(pumpUntil([&] { return socket.state() == 9; }));
    ASSERT_EQ(rec.errors, std::vector<int>{10061});
    socket.close();
    EXPECT_EQ(socket.state(), 0);
    connectTo(socket, port);
    ASSERT_TRUE(pumpUntil([&] { return rec.errors.size() == 2; }));
    EXPECT_EQ(rec.errors[1], 10061);
    EXPECT_EQ(rec.descriptions[0], rec.descriptions[1]) << "equal errors, equal descriptions";
}

TEST(QtTcpSocketSends, OneCompletionPerSendEvenWhenQtMergesWrites)
{
    testing::LoopbackServer server;
    QtTcpSocket socket;
    Recorder rec(socket);
    connectTo(socket, server.port());
    ASSERT_TRUE(pumpUntil([&] { return socket.state() == 7; }));
    EXPECT_EQ(socket.sendText(u"99991"), std::nullopt);
    EXPECT_EQ(socket.sendText(u"中文"), std::nullopt);
    EXPECT_EQ(socket.sendBytes(std::string("\x41\x42\x00", 3)), std::nullopt);
    ASSERT_TRUE(pumpUntil([&] { return rec.completions == 3 && server.received().size() == 12; }));
    pumpFor(50ms);
    EXPECT_EQ(rec.completions, 3);
    EXPECT_EQ(server.received(), std::string("99991\xD6\xD0\xCE\xC4"
                                             "AB\0",
                                             12));
}

TEST(QtTcpSocketSends, SendOnAClosedSocketSaysWhyAndIsNeverCompleted)
{
    QtTcpSocket socket;
    Recorder rec(socket);
    EXPECT_EQ(socket.sendText(u"x"), (SocketFailure{10057, "Socket is not connected"}));
    EXPECT_EQ(socket.sendBytes("AB"), (SocketFailure{10057, "Socket is not connected"}));
    pumpFor(50ms);
    EXPECT_EQ(rec.completions, 0);
}

TEST(QtTcpSocketData, CharacterSplitBetweenArrivalsIsNotCorrupted)
{
    testing::LoopbackServer server;
    QtTcpSocket socket;
    Recorder rec(socket);
    Text received;
    std::string bytes;
    socket.onDataArrival = [&] {
        const Received got = socket.takeData();
        received += got.text;
        bytes += got.bytes;
    };
    connectTo(socket, server.port());
    ASSERT_TRUE(pumpUntil([&] { return server.connected(); }));
    server.send(":::S=\xD6");
    ASSERT_TRUE(pumpUntil([&] { return received == u":::S="; }));
    server.send("\xD0!");
    ASSERT_TRUE(pumpUntil([&] { return received == u":::S=中!"; }));
    EXPECT_EQ(bytes, ":::S=\xD6\xD0!") << "the bytes as they came, the split character included";
}

TEST(QtTcpSocketAddress, LocalAddressIsAnIPv4Text)
{
    QtTcpSocket socket;
    const std::string ip = toUtf8(socket.localIp());
    EXPECT_EQ(std::count(ip.begin(), ip.end(), '.'), 3) << ip;
}

} // namespace
} // namespace ride
