// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A TCP client socket as the network window uses it: the classic state numbers, a remote
// endpoint, text and byte sends with one completion per send, and notifications delivered on the
// UI thread.
#include "base/text.h"
#include "io/arrival.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ride {

namespace socket_state {
constexpr int kClosed = 0;
constexpr int kOpen = 1;
constexpr int kListening = 2;
constexpr int kConnectionPending = 3;
constexpr int kResolvingHost = 4;
constexpr int kHostResolved = 5;
constexpr int kConnecting = 6;
constexpr int kConnected = 7;
constexpr int kPeerClosing = 8;
constexpr int kError = 9;
} // namespace socket_state

// A send the socket could not hand over: the classic socket error number and its description.
struct SocketFailure {
    int number = 0;
    std::string description;
    bool operator==(const SocketFailure&) const = default;
};

// Failures reach the caller as values: a send returns its failure, and errors of the connection
// (refused, reset, timed out) arrive through onError with their number. Nothing throws.
class TcpSocket {
public:
    virtual ~TcpSocket() = default;

    virtual int state() const = 0;
    virtual Text remoteHost() const = 0;
    virtual std::int32_t remotePort() const = 0;
    virtual void setRemoteHost(Text host) = 0;
    virtual void setRemotePort(std::int32_t port) = 0;
    virtual void setLocalPort(std::int32_t port) = 0;
    // Starts connecting to the remote endpoint last set and returns at once.
    virtual void connect() = 0;
    // Closes whatever the socket is doing; the state is 0 afterwards.
    virtual void close() = 0;
    // This machine's IPv4 address, as the socket sees it.
    virtual Text localIp() const = 0;

    // Text goes out GBK-encoded. Each send that returns no failure is completed once, when all its
    // bytes are handed to the system; a failed send (not connected, the system refused the bytes)
    // is not completed.
    [[nodiscard]] virtual std::optional<SocketFailure> sendText(TextView text) = 0;
    [[nodiscard]] virtual std::optional<SocketFailure> sendBytes(std::string_view bytes) = 0;
    // All data waiting, as bytes and decoded from GBK (a character split between two arrivals
    // waits for its second byte).
    virtual Received takeData() = 0;

    std::function<void()> onDataArrival;
    std::function<void()> onSendComplete;
    std::function<void(int number, const Text& description)> onError;
};

class TcpSocketFactory {
public:
    virtual ~TcpSocketFactory() = default;
    virtual std::unique_ptr<TcpSocket> create() = 0;
};

} // namespace ride
