// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A TCP server on 127.0.0.1 standing in for the bike controller. A thread of its own accepts every
// connection and reads what the peer sends, so it answers alike whether the test pumps a Qt event
// loop, waits for the real executable, or does neither. Given a behaviour, it hands each connection
// to it instead, on a thread per connection, so that it can flood, stall or reset without holding up
// the next connection or the test.
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ride::testing {

class LoopbackServer {
public:
    // Runs for one accepted connection; the connection is closed when it returns, unless the
    // behaviour closed it itself and set `fd` to -1.
    using Behaviour = std::function<void(int& fd, const std::atomic<bool>& stopping)>;

    // A controller that reads everything and sends what the test tells it to.
    LoopbackServer();
    // A controller that misbehaves. `receiveBuffer` > 0 shrinks the receive buffer of accepted
    // connections (one that never reads then stalls the sender early).
    explicit LoopbackServer(Behaviour behaviour, int receiveBuffer = 0);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    int accepted() const { return accepted_.load(); }
    // Waits for a connection that no earlier call took; false if none came in time.
    bool accept(std::chrono::milliseconds timeout);
    // The latest connection, as long as neither end has closed it.
    bool connected() const;
    // What the peer sent on the latest connection.
    std::string received() const;
    bool receiveUntil(const std::function<bool(const std::string&)>& done, std::chrono::milliseconds timeout) const;
    // On the latest connection.
    void send(const std::string& bytes);
    // Ends the latest connection in an orderly way (the peer reads its end).
    void dropConnection();

    // A port on 127.0.0.1 that refuses connections (it was just free).
    static int refusingPort();

    // For behaviours. Each returns false when the peer has gone or the server is stopping.
    static bool sendAll(int fd, const std::string& bytes, const std::atomic<bool>& stopping,
                        std::atomic<long long>* counter = nullptr);
    // Waits up to `time` without reading; false as soon as the peer has gone.
    static bool idle(int fd, std::chrono::milliseconds time, const std::atomic<bool>& stopping);
    // Closes with SO_LINGER 0: the peer gets a reset instead of an orderly end.
    static void reset(int& fd);

private:
    struct Connection {
        int fd = -1; // -1 once the peer has closed and the server thread closed its end
        bool open = true;
        std::string received;
    };

    void serve();
    void acceptOne();
    void readFrom(std::size_t index);

    Behaviour behaviour_;
    int listener_ = -1;
    int port_ = 0;
    int taken_ = 0;
    std::atomic<int> accepted_{0};
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<Connection> connections_; // guarded by mutex_; only the server thread closes fds
    std::vector<std::thread> behaviours_; // touched by the server thread only
    std::thread thread_;
};

} // namespace ride::testing
