// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/loopback_server.h"

#include "support/child_process.h"

#include <cerrno>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ride::testing {
namespace {

int loopbackListener(int receiveBuffer, int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        throw std::runtime_error("socket failed");
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (receiveBuffer > 0) {
        // Set before listen() so that accepted connections start with it (the window is fixed then).
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot listen on loopback");
    }
    socklen_t length = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    port = ntohs(addr.sin_port);
    return fd;
}

} // namespace

LoopbackServer::LoopbackServer() : LoopbackServer(nullptr) {}

LoopbackServer::LoopbackServer(Behaviour behaviour, int receiveBuffer) : behaviour_(std::move(behaviour))
{
    listener_ = loopbackListener(receiveBuffer, port_);
    thread_ = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer()
{
    stopping_ = true;
    thread_.join();
    for (Connection& c : connections_) {
        if (c.fd >= 0) {
            ::close(c.fd);
        }
    }
    ::close(listener_);
}

bool LoopbackServer::accept(std::chrono::milliseconds timeout)
{
    if (!waitUntil([this] { return accepted_ > taken_; }, timeout)) {
        return false;
    }
    taken_ = accepted_;
    return true;
}

bool LoopbackServer::connected() const
{
    const std::lock_guard lock(mutex_);
    return !connections_.empty() && connections_.back().open;
}

std::string LoopbackServer::received() const
{
    const std::lock_guard lock(mutex_);
    return connections_.empty() ? std::string() : connections_.back().received;
}

bool LoopbackServer::receiveUntil(const std::function<bool(const std::string&)>& done,
                                  std::chrono::milliseconds timeout) const
{
    return waitUntil([&] { return done(received()); }, timeout);
}

void LoopbackServer::send(const std::string& bytes)
{
    const std::lock_guard lock(mutex_);
    if (!connections_.empty() && connections_.back().open) {
        ::send(connections_.back().fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
}

void LoopbackServer::dropConnection()
{
    const std::lock_guard lock(mutex_);
    if (!connections_.empty() && connections_.back().open) {
        // The server thread goes on reading until the peer closes too, and then closes the socket.
        ::shutdown(connections_.back().fd, SHUT_WR);
        connections_.back().open = false;
    }
}

void LoopbackServer::serve()
{
    std::vector<pollfd> watched;
    std::vector<std::size_t> owners;
    while (!stopping_) {
        watched.assign(1, pollfd{listener_, POLLIN, 0});
        owners.clear();
        {
            const std::lock_guard lock(mutex_);
            for (std::size_t i = 0; i < connections_.size(); ++i) {
                if (connections_[i].fd >= 0) {
                    watched.push_back(pollfd{connections_[i].fd, POLLIN, 0});
                    owners.push_back(i);
                }
            }
        }
        if (::poll(watched.data(), watched.size(), 20) <= 0) {
            continue;
        }
        for (std::size_t w = 1; w < watched.size(); ++w) {
            if (watched[w].revents != 0) {
                readFrom(owners[w - 1]);
            }
        }
        if (watched[0].revents & POLLIN) {
            acceptOne();
        }
    }
    for (std::thread& behaviour : behaviours_) {
        behaviour.join();
    }
}

void LoopbackServer::acceptOne()
{
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
        return;
    }
    if (behaviour_) {
        behaviours_.emplace_back([this, own = fd]() mutable {
            behaviour_(own, stopping_);
            if (own >= 0) {
                ::close(own);
            }
        });
    } else {
        const std::lock_guard lock(mutex_);
        connections_.push_back(Connection{fd, true, {}});
    }
    ++accepted_;
}

void LoopbackServer::readFrom(std::size_t index)
{
    char buffer[4096];
    const ssize_t n = ::read(connections_[index].fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    const std::lock_guard lock(mutex_);
    Connection& c = connections_[index];
    if (n > 0) {
        c.received.append(buffer, static_cast<std::size_t>(n));
        return;
    }
    ::close(c.fd);
    c.fd = -1;
    c.open = false;
}

int LoopbackServer::refusingPort()
{
    int port = 0;
    ::close(loopbackListener(0, port));
    return port;
}

bool LoopbackServer::sendAll(int fd, const std::string& bytes, const std::atomic<bool>& stopping,
                             std::atomic<long long>* counter)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (stopping) {
            return false;
        }
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 20) <= 0) {
            continue;
        }
        if (p.revents & (POLLERR | POLLHUP)) {
            return false;
        }
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
        if (counter) {
            *counter += n;
        }
    }
    return true;
}

bool LoopbackServer::idle(int fd, std::chrono::milliseconds time, const std::atomic<bool>& stopping)
{
    const auto deadline = std::chrono::steady_clock::now() + time;
    while (!stopping && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLRDHUP, 0};
        if (::poll(&p, 1, 20) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR))) {
            return false;
        }
    }
    return !stopping;
}

void LoopbackServer::reset(int& fd)
{
    const linger hard{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(fd);
    fd = -1;
}

} // namespace ride::testing
