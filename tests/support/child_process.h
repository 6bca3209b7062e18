// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Starting helper programs (Xvfb, socat, the console itself) from a test, and ending them.
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

namespace ride::testing {

class ChildProcess {
public:
    // Starts `argv` with the test's environment plus `extraEnv`; stdout and stderr go to
    // `logFile` when one is given (appended), else to the test's own.
    ChildProcess(std::vector<std::string> argv, std::map<std::string, std::string> extraEnv = {},
                 std::string logFile = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // SIGTERM, then SIGKILL if it has not ended within `grace`. Returns the wait status.
    int stop(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));
    // Its exit code once it has ended by itself, waiting up to `timeout` (128 + the signal's number
    // when a signal ended it); -1 when it still runs.
    int exitCodeWithin(std::chrono::milliseconds timeout);
    void kill9();

private:
    pid_t pid_ = -1;
    int status_ = 0;
    bool reaped_ = false;
};

// Runs a command to its end and returns what it printed on stdout (stderr is left alone);
// its exit status goes to `exitStatus` (-1 when it did not exit normally).
std::string runAndCapture(const std::vector<std::string>& argv, int* exitStatus = nullptr,
                          const std::map<std::string, std::string>& extraEnv = {});

// Polls `condition` every few milliseconds until it holds or `timeout` passes.
template <class Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        struct timespec ts {
            0, 5'000'000
        };
        nanosleep(&ts, nullptr);
    }
}

} // namespace ride::testing
