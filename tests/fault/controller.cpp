#include "fault/controller.h"

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
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
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

FaultyController::FaultyController(Behaviour behaviour, int receiveBuffer) : behaviour_(std::move(behaviour))
{
    listener_ = loopbackListener(receiveBuffer, port_);
    thread_ = std::thread([this] { serve(); });
}

FaultyController::~FaultyController()
{
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

int FaultyController::refusingPort()
{
    int port = 0;
    ::close(loopbackListener(0, port));
    return port;
}

void FaultyController::serve()
{
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) {
            continue;
        }
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        ++accepted_;
        connections_.emplace_back([this, fd]() mutable {
            int own = fd;
            behaviour_(own, stopping_);
            if (own >= 0) {
                ::close(own);
            }
        });
    }
    for (std::thread& connection : connections_) {
        connection.join();
    }
}

bool FaultyController::sendAll(int fd, const std::string& bytes, const std::atomic<bool>& stopping,
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

bool FaultyController::idle(int fd, std::chrono::milliseconds time, const std::atomic<bool>& stopping)
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

void FaultyController::reset(int& fd)
{
    const linger hard{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(fd);
    fd = -1;
}

} // namespace ride::testing
