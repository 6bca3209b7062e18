// SPDX-License-Identifier: GPL-3.0-or-later
#include "bike_sim/tcp_end.h"

#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ride::sim {

std::unique_ptr<TcpEnd> TcpEnd::listen(const std::string& address, int port, std::string& error)
{
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) {
        error = address + " is not an IPv4 address";
        return nullptr;
    }
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("cannot make a TCP socket: ") + std::strerror(errno);
        return nullptr;
    }
    // A restarted simulator can take its port back at once.
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 || ::listen(fd, 4) != 0) {
        error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        close(fd);
        return nullptr;
    }
    socklen_t length = sizeof where;
    getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length);
    return std::unique_ptr<TcpEnd>(new TcpEnd(fd, address, ntohs(where.sin_port)));
}

TcpEnd::~TcpEnd()
{
    for (auto& peer : peers_) {
        close(peer.fd);
    }
    close(listenFd_);
}

TcpPeer* TcpEnd::accept()
{
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const int fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&from), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    // Each record goes out on its own, as a controller sends it, not gathered with the next.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    char text[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    TcpPeer& peer = peers_.emplace_back();
    peer.fd = fd;
    peer.name = std::string(text) + ":" + std::to_string(ntohs(from.sin_port));
    return &peer;
}

void TcpEnd::drop(TcpPeer& peer)
{
    close(peer.fd);
    peers_.remove_if([&](const TcpPeer& p) { return &p == &peer; });
}

} // namespace ride::sim
