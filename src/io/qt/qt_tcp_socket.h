// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The TCP client socket on QTcpSocket, reporting the classic state numbers: resolving 4,
// connecting 6, connected 7; 8 after the peer closed and 9 after an error, each until close().
#include "io/tcp_socket.h"

#include <QAbstractSocket>
#include <QObject>
#include <QTcpSocket>

#include <deque>

namespace ride {

// A socket failure as the network window reports it: the classic socket error number and its
// description, so that equal failures always carry equal numbers and texts.
struct SocketErrorInfo {
    int number;
    const char* description;
};
SocketErrorInfo numberedSocketError(QAbstractSocket::SocketError error);

class QtTcpSocket : public QObject, public TcpSocket {
public:
    explicit QtTcpSocket(QObject* parent = nullptr);

    int state() const override;
    Text remoteHost() const override { return remoteHost_; }
    std::int32_t remotePort() const override { return remotePort_; }
    void setRemoteHost(Text host) override { remoteHost_ = std::move(host); }
    void setRemotePort(std::int32_t port) override { remotePort_ = port; }
    void setLocalPort(std::int32_t port) override { localPort_ = port; }
    void connect() override;
    void close() override;
    Text localIp() const override;
    std::optional<SocketFailure> sendText(TextView text) override;
    std::optional<SocketFailure> sendBytes(std::string_view bytes) override;
    Received takeData() override;

private:
    void onBytesWritten(qint64 bytes);
    void onQtError(QAbstractSocket::SocketError error);

    QTcpSocket socket_;
    Text remoteHost_;
    std::int32_t remotePort_ = 0;
    std::int32_t localPort_ = 0;
    bool peerClosed_ = false;
    bool failed_ = false;
    // Byte counts of the sends not yet completed, oldest first, and what of the oldest is written.
    std::deque<qint64> pendingSends_;
    qint64 writtenOfOldest_ = 0;
    GbkStreamDecoder decoder_;
};

class QtTcpSocketFactory : public TcpSocketFactory {
public:
    std::unique_ptr<TcpSocket> create() override { return std::make_unique<QtTcpSocket>(); }
};

} // namespace ride
