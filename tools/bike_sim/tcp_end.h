// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The controller's side of the console's TCP channel: a listener, and the connections the
// console makes to it (normally one; a second may overlap while the console recycles its
// channel).
#include "bike_sim/outbox.h"

#include <list>
#include <memory>
#include <string>

namespace ride::sim {

struct TcpPeer {
    int fd = -1;
    std::string name; // "127.0.0.1:51234"
    Outbox outbox;
};

class TcpEnd {
public:
    // Listens on `address`:`port` (port 0: a free one). Null with `error` set on failure.
    static std::unique_ptr<TcpEnd> listen(const std::string& address, int port, std::string& error);

    ~TcpEnd();
    TcpEnd(const TcpEnd&) = delete;
    TcpEnd& operator=(const TcpEnd&) = delete;

    int listenFd() const { return listenFd_; }
    const std::string& address() const { return address_; }
    int port() const { return port_; }

    // Takes the next waiting connection; null when none is waiting.
    TcpPeer* accept();
    void drop(TcpPeer& peer);
    std::list<TcpPeer>& peers() { return peers_; }

private:
    TcpEnd(int fd, std::string address, int port) : listenFd_(fd), address_(std::move(address)), port_(port) {}

    int listenFd_;
    std::string address_;
    int port_;
    std::list<TcpPeer> peers_;
};

} // namespace ride::sim
