#pragma once
// A plain TCP server on 127.0.0.1 for end-to-end tests of the real executable: it plays the bike
// controller that the console's channel connects to. No event loop needed: every call polls.
#include <chrono>
#include <string>

namespace ride::testing {

class TcpTestServer {
public:
    TcpTestServer();
    ~TcpTestServer();
    TcpTestServer(const TcpTestServer&) = delete;
    TcpTestServer& operator=(const TcpTestServer&) = delete;

    int port() const { return port_; }
    // Accepts the next connection (dropping the previous one); false if none came in time.
    bool accept(std::chrono::milliseconds timeout);
    bool hasClient() const { return client_ >= 0; }
    // Reads what the client sent until `done(all received so far)` holds or the time is up.
    template <class Done>
    bool receiveUntil(Done done, std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done(received)) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            readSome(20);
        }
        return true;
    }
    void send(const std::string& bytes);
    void dropClient();

    std::string received;

private:
    void readSome(int waitMs);

    int listener_ = -1;
    int client_ = -1;
    int port_ = 0;
};

} // namespace ride::testing
