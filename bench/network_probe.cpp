// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the network road of the console in-process, with its real timers, sockets and X pointer:
//   1. items per second one channel sends to a loopback peer that reads everything (1 ms send
//      timer), checking that no item is lost or doubled;
//   2. from the controller sending a record to the X server reporting the pointer at its place;
//   3. from the controller dropping the connection to the console connected again.
// bench/network.sh runs it on a virtual X server of its own.
#include "bench/probe_support.h"
#include "input/x11/x11_platform.h"
#include "io/qt/qt_tcp_socket.h"
#include "ui/qt/qt_binding.h"
#include "ui/qt/qt_event_yield.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <clocale>
#include <cstdio>
#include <string>

namespace {

using ride::Text;

class AlwaysYes : public ride::YesNoQuestion {
public:
    bool ask(ride::TextView) override { return true; }
};

template <class Condition>
bool runUntil(Condition condition, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    QTcpSocket* peer = nullptr;
    QByteArray received;
    int accepted = 0;
    QElapsedTimer acceptClock;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* next = server.nextPendingConnection()) {
            peer = next;
            ++accepted;
            QObject::connect(peer, &QTcpSocket::readyRead, [&received, next] { received += next->readAll(); });
        }
    });

    ride::bench::RepeatingSerialLine serial;
    ride::X11Platform x11("");
    ride::QtTcpSocketFactory sockets;
    ride::QtEventYield events;
    AlwaysYes question;
    ride::Platform platform;
    platform.input = &x11;
    platform.serial = &serial;
    platform.sockets = &sockets;
    platform.events = &events;
    platform.question = &question;
    const auto site = ride::bench::benchInstallation(std::move(platform));
    ride::Form1& console = site->console();
    console.Command3.click(); // "网络设置": the network window, as the operator opens it
    ride::Frmsock& net = *site->networkWindow();
    net.Timer3.setEnabled(false); // the heartbeat would mix its texts into the counted items
    ride::bindTimer(net.TMRTCPC连接状态判断, &app);
    ride::bindTimer(net.TmrTcp发送, &app);
    ride::Channel& ch = net.channel(0);
    ch.TxtTcpIp.setText(u"127.0.0.1");
    const std::string port = std::to_string(server.serverPort());
    ch.TxtTcpPost.setText(Text(port.begin(), port.end()));
    if (!runUntil([&] { return peer && ch.WinsockTcp->state() == ride::socket_state::kConnected; }, 5000)) {
        std::fprintf(stderr, "the channel did not connect\n");
        return 1;
    }

    // 1. Throughput: five full queues of 1000 items each.
    double itemsPerSecond = 0;
    bool exact = true;
    for (int round = 0; round < 5; ++round) {
        received.clear();
        QByteArray expected;
        for (int i = 0; i < 1000; ++i) {
            const std::string item = "<" + std::to_string(round) + ":" + std::to_string(i) + ">";
            ch.TxtTcpTx.setText(Text(item.begin(), item.end()));
            expected += QByteArray::fromStdString(item);
        }
        QElapsedTimer clock;
        clock.start();
        runUntil([&] { return ch.TxtTcpTx.itemCount() == 0; }, 20000);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        runUntil([&] { return received.size() >= expected.size(); }, 2000);
        exact = exact && received == expected;
        itemsPerSecond += 1000 / seconds / 5;
    }
    std::printf("send queue: %.0f items/s through loopback (1 ms send timer), every item once and in order: %s\n",
                itemsPerSecond, exact ? "yes" : "NO");

    // 2. Record to pointer: alternate between the two ends of the steering range.
    std::vector<double> latencies;
    for (int i = 0; i < 500; ++i) {
        const bool left = i % 2 == 0;
        const int expectX = left ? 1024 : 0;
        const QByteArray record = left ? ":::S=000xxx000xxxxxx,DIBBBBBB." : ":::S=000xxx180xxxxxx,DIBBBBBB.";
        const auto start = std::chrono::steady_clock::now();
        peer->write(record);
        peer->flush();
        if (!runUntil([&] { return x11.cursor().position().x == expectX; }, 2000)) {
            std::fprintf(stderr, "the pointer did not move\n");
            return 1;
        }
        latencies.push_back(ride::bench::millisecondsSince(start));
    }
    std::printf("record sent by the controller to pointer reported by the X server (%zu records): median %.3f ms, "
                "p99 %.3f ms\n",
                latencies.size(), ride::bench::quantile(latencies, 0.5), ride::bench::quantile(latencies, 0.99));

    // 3. Dropped by the controller to connected again.
    std::vector<double> reconnects;
    for (int i = 0; i < 8; ++i) {
        const int before = accepted;
        const auto start = std::chrono::steady_clock::now();
        peer->disconnectFromHost();
        if (!runUntil([&] { return accepted > before; }, 5000)) {
            std::fprintf(stderr, "the channel did not come back\n");
            return 1;
        }
        reconnects.push_back(ride::bench::millisecondsSince(start));
        runUntil([&] { return ch.WinsockTcp->state() == ride::socket_state::kConnected; }, 2000);
    }
    std::printf("controller dropped the connection to connected again (%zu drops): median %.0f ms, max %.0f ms\n",
                reconnects.size(), ride::bench::quantile(reconnects, 0.5), ride::bench::quantile(reconnects, 1.0));
    return exact ? 0 : 1;
}
