#pragma once
// A real TCP server on 127.0.0.1 inside the test process, standing in for the bike controller:
// it records what it receives and can send, drop the connection or stop listening.
#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace ride::testing {

class LoopbackServer {
public:
    LoopbackServer()
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* peer = server_.nextPendingConnection()) {
                ++accepted;
                peers_.append(peer);
                QObject::connect(peer, &QTcpSocket::readyRead, [this, peer] {
                    if (reading) {
                        received += peer->readAll();
                    }
                });
            }
        });
    }

    quint16 port() const { return server_.serverPort(); }
    QTcpSocket* latest() const { return peers_.isEmpty() ? nullptr : peers_.last().data(); }
    bool connected() const { return latest() && latest()->state() == QAbstractSocket::ConnectedState; }

    void send(const QByteArray& bytes)
    {
        if (QTcpSocket* peer = latest()) {
            peer->write(bytes);
            peer->flush();
        }
    }
    // The controller closes its end in an orderly way.
    void dropConnection()
    {
        if (QTcpSocket* peer = latest()) {
            peer->disconnectFromHost();
        }
    }
    void stopListening() { server_.close(); }

    QByteArray received;
    int accepted = 0;
    // A controller that accepts and never reads leaves everything in the socket buffers.
    bool reading = true;

private:
    QTcpServer server_;
    QList<QPointer<QTcpSocket>> peers_;
};

} // namespace ride::testing
