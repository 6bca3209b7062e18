#include "support/tcp_test_server.h"

#include <cerrno>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ride::testing {

TcpTestServer::TcpTestServer()
{
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    const int one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener_, 4) != 0) {
        throw std::runtime_error("cannot listen on loopback");
    }
    socklen_t len = sizeof addr;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
}

TcpTestServer::~TcpTestServer()
{
    dropClient();
    close(listener_);
}

bool TcpTestServer::accept(std::chrono::milliseconds timeout)
{
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) {
        return false;
    }
    dropClient();
    client_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    received.clear();
    return client_ >= 0;
}

void TcpTestServer::readSome(int waitMs)
{
    if (client_ < 0) {
        usleep(static_cast<useconds_t>(waitMs) * 1000);
        return;
    }
    pollfd p{client_, POLLIN, 0};
    if (poll(&p, 1, waitMs) <= 0) {
        return;
    }
    char buffer[4096];
    const ssize_t n = read(client_, buffer, sizeof buffer);
    if (n > 0) {
        received.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        dropClient();
    }
}

void TcpTestServer::send(const std::string& bytes)
{
    if (client_ >= 0) {
        ::send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
}

void TcpTestServer::dropClient()
{
    if (client_ >= 0) {
        close(client_);
        client_ = -1;
    }
}

} // namespace ride::testing
