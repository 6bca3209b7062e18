// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/qt/qt_tcp_socket.h"

#include "base/qt/qt_text.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace ride {
namespace {

// The most one arrival hands on. Unbounded, readAll() reads for as long as a flooding peer keeps
// sending and holds the UI thread; bounded, TCP's flow control holds back the rest and timers run
// in between (docs/reliability.md).
constexpr qint64 kReadChunk = 64 * 1024;

} // namespace

SocketErrorInfo numberedSocketError(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return {10061, "Connection is forcefully rejected"};
    case QAbstractSocket::RemoteHostClosedError: return {10054, "Connection reset by peer"};
    case QAbstractSocket::HostNotFoundError: return {11001, "Authoritative answer: Host not found"};
    case QAbstractSocket::SocketAccessError: return {10013, "Permission denied"};
    case QAbstractSocket::SocketResourceError: return {10055, "No buffer space is available"};
    case QAbstractSocket::SocketTimeoutError: return {10060, "Connection timed out"};
    case QAbstractSocket::NetworkError: return {10050, "Network is down"};
    case QAbstractSocket::AddressInUseError: return {10048, "Address is in use"};
    case QAbstractSocket::SocketAddressNotAvailableError:
        return {10049, "Address is not available from the local machine"};
    case QAbstractSocket::UnsupportedSocketOperationError: return {10045, "Operation not supported"};
    case QAbstractSocket::DatagramTooLargeError: return {10040, "Message too long"};
    default: return {10022, "Invalid argument"};
    }
}

QtTcpSocket::QtTcpSocket(QObject* parent) : QObject(parent)
{
    socket_.setReadBufferSize(kReadChunk);
    QObject::connect(&socket_, &QTcpSocket::readyRead, this, [this] {
        if (onDataArrival) {
            onDataArrival();
        }
    });
    QObject::connect(&socket_, &QTcpSocket::bytesWritten, this, &QtTcpSocket::onBytesWritten);
    QObject::connect(&socket_, &QTcpSocket::errorOccurred, this, &QtTcpSocket::onQtError);
    QObject::connect(&socket_, &QTcpSocket::disconnected, this, [this] {
        if (!failed_) {
            peerClosed_ = true;
        }
    });
}

int QtTcpSocket::state() const
{
    if (failed_) {
        return socket_state::kError;
    }
    if (peerClosed_) {
        return socket_state::kPeerClosing;
    }
    switch (socket_.state()) {
    case QAbstractSocket::HostLookupState: return socket_state::kResolvingHost;
    case QAbstractSocket::ConnectingState: return socket_state::kConnecting;
    case QAbstractSocket::ConnectedState: return socket_state::kConnected;
    case QAbstractSocket::ClosingState: return socket_state::kPeerClosing;
    case QAbstractSocket::BoundState: return socket_state::kOpen;
    case QAbstractSocket::ListeningState: return socket_state::kListening;
    case QAbstractSocket::UnconnectedState: break;
    }
    return socket_state::kClosed;
}

void QtTcpSocket::connect()
{
    close();
    if (localPort_ != 0) {
        socket_.bind(QHostAddress::AnyIPv4, static_cast<quint16>(localPort_));
    }
    // The host is kept as typed (blanks and all) for the healthy-link test; the resolver gets it
    // without the blanks.
    socket_.connectToHost(toQString(remoteHost_).trimmed(), static_cast<quint16>(remotePort_));
}

void QtTcpSocket::close()
{
    socket_.abort();
    peerClosed_ = false;
    failed_ = false;
    pendingSends_.clear();
    writtenOfOldest_ = 0;
    decoder_.reset();
}

Text QtTcpSocket::localIp() const
{
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) {
            return fromQString(address.toString());
        }
    }
    return u"127.0.0.1";
}

std::optional<SocketFailure> QtTcpSocket::sendText(TextView text)
{
    return sendBytes(toGbk(text));
}

std::optional<SocketFailure> QtTcpSocket::sendBytes(std::string_view bytes)
{
    if (socket_.state() != QAbstractSocket::ConnectedState) {
        return SocketFailure{10057, "Socket is not connected"};
    }
    const qint64 written = socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (written != static_cast<qint64>(bytes.size())) {
        const SocketErrorInfo info = numberedSocketError(socket_.error());
        return SocketFailure{info.number, info.description};
    }
    pendingSends_.push_back(written);
    return std::nullopt;
}

void QtTcpSocket::onBytesWritten(qint64 bytes)
{
    // Qt reports several writes in one signal; complete each send whose bytes are all out.
    writtenOfOldest_ += bytes;
    while (!pendingSends_.empty() && writtenOfOldest_ >= pendingSends_.front()) {
        writtenOfOldest_ -= pendingSends_.front();
        pendingSends_.pop_front();
        if (onSendComplete) {
            onSendComplete();
        }
    }
}

Received QtTcpSocket::takeData()
{
    const QByteArray bytes = socket_.read(socket_.bytesAvailable());
    Received got;
    got.bytes.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    got.text = decoder_.feed(got.bytes);
    return got;
}

void QtTcpSocket::onQtError(QAbstractSocket::SocketError error)
{
    if (error == QAbstractSocket::RemoteHostClosedError && !failed_) {
        // An orderly close by the peer is no failure: the socket just shows it until closed.
        peerClosed_ = true;
        return;
    }
    failed_ = true;
    const SocketErrorInfo info = numberedSocketError(error);
    if (onError) {
        const std::string description = info.description;
        onError(info.number, Text(description.begin(), description.end()));
    }
}

} // namespace ride
