// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A socket whose peer is the test: it reports the state the test sets, records what is sent, and
// completes a send only when the test says so.
#include "io/tcp_socket.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ride::testing {

class FakeTcpSocket : public TcpSocket {
public:
    int state() const override { return state_; }
    Text remoteHost() const override { return host_; }
    std::int32_t remotePort() const override { return port_; }
    void setRemoteHost(Text host) override { host_ = std::move(host); }
    void setRemotePort(std::int32_t port) override { port_ = port; }
    void setLocalPort(std::int32_t) override {}
    void connect() override
    {
        ++connects;
        state_ = stateAfterConnect;
    }
    void close() override
    {
        ++closes;
        state_ = 0;
    }
    Text localIp() const override { return u"10.1.2.3"; }
    std::optional<SocketFailure> sendText(TextView text) override { return sendBytes(toGbk(text)); }
    std::optional<SocketFailure> sendBytes(std::string_view bytes) override
    {
        if (sendFailure) {
            return sendFailure;
        }
        sent.emplace_back(bytes);
        return std::nullopt;
    }
    Received takeData() override
    {
        Text text = std::exchange(waiting, {});
        return {toGbk(text), std::move(text)};
    }

    void setState(int s) { state_ = s; }
    void complete() { onSendComplete(); }
    void arrive(Text data)
    {
        waiting = std::move(data);
        onDataArrival();
    }

    std::vector<std::string> sent;
    Text waiting;
    int connects = 0;
    int closes = 0;
    int stateAfterConnect = 7;
    // Set: every send fails with it and nothing is recorded.
    std::optional<SocketFailure> sendFailure;

private:
    int state_ = 0;
    Text host_;
    std::int32_t port_ = 0;
};

class FakeTcpSocketFactory : public TcpSocketFactory {
public:
    std::unique_ptr<TcpSocket> create() override
    {
        if (made.size() >= capacity) {
            return nullptr; // out of sockets
        }
        auto socket = std::make_unique<FakeTcpSocket>();
        made.push_back(socket.get());
        return socket;
    }
    std::vector<FakeTcpSocket*> made;
    // How many sockets the system grants; beyond that none can be created.
    std::size_t capacity = SIZE_MAX;
};

} // namespace ride::testing
