#pragma once
// A bike controller that misbehaves on purpose: a loopback TCP server whose every connection is
// handed to a behaviour on a thread of its own, so that it can block, flood or stall without
// holding up the console's event loop in the test process, or the next connection.
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace ride::testing {

class FaultyController {
public:
    // Runs for one accepted connection; the connection is closed when it returns (unless the
    // behaviour closed it itself and returned -1 through `fd`).
    using Behaviour = std::function<void(int& fd, const std::atomic<bool>& stopping)>;

    // `receiveBuffer` > 0 shrinks the receive buffer of accepted connections (a controller that
    // never reads then stalls the sender early).
    explicit FaultyController(Behaviour behaviour, int receiveBuffer = 0);
    ~FaultyController();
    FaultyController(const FaultyController&) = delete;
    FaultyController& operator=(const FaultyController&) = delete;

    int port() const { return port_; }
    int accepted() const { return accepted_.load(); }
    // Bytes sent by the behaviours so far (they add to it).
    std::atomic<long long> sent{0};

    // A port on 127.0.0.1 that refuses connections (it was just free).
    static int refusingPort();

    // Behaviour helpers. Each returns false when the peer has gone or the server is stopping.
    static bool sendAll(int fd, const std::string& bytes, const std::atomic<bool>& stopping,
                        std::atomic<long long>* counter = nullptr);
    // Waits up to `time` without reading; false as soon as the peer has gone.
    static bool idle(int fd, std::chrono::milliseconds time, const std::atomic<bool>& stopping);
    // Closes with SO_LINGER 0: the peer gets a reset instead of an orderly end.
    static void reset(int& fd);

private:
    void serve();

    Behaviour behaviour_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<int> accepted_{0};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    std::vector<std::thread> connections_; // touched by the server thread only
};

} // namespace ride::testing
