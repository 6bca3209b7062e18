// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Programs that were asked to end and have not ended yet. Ending one never holds up the caller:
// its process group gets SIGTERM at once, SIGKILL when the grace period is over, and the event
// loop reaps it. Only destruction waits, and at most for the grace period left, so that no
// program outlives the console and none is left a zombie.
#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include <sys/types.h>

class QObject;
class QProcess;

namespace ride {

class StoppingPrograms {
public:
    // Long enough for a player to close its window.
    static constexpr std::chrono::milliseconds kGrace{500};

    StoppingPrograms();
    ~StoppingPrograms();
    StoppingPrograms(const StoppingPrograms&) = delete;
    StoppingPrograms& operator=(const StoppingPrograms&) = delete;

    // Takes over `process`, which runs in a process group of its own, and starts ending it.
    // `what` names it in the log line written if it has to be killed.
    void end(std::unique_ptr<QProcess> process, std::string what);

private:
    struct Entry {
        std::uint64_t id = 0;
        std::unique_ptr<QProcess> process;
        pid_t group = 0;
        std::chrono::steady_clock::time_point deadline;
        std::string what;
        bool leaderEnded = false;
        // Nothing of the group can be left: the leader is reaped and its group is empty, or
        // the whole group has been killed.
        bool groupEnded = false;
    };

    Entry* find(std::uint64_t id);
    void leaderEnded(std::uint64_t id);
    void graceOver(std::uint64_t id);
    // Drops the entries that are done; queued, because a process may not be deleted inside its
    // own signal.
    void queueSweep();
    void sweep();

    std::list<Entry> entries_;
    std::uint64_t nextId_ = 1;
    bool sweepQueued_ = false;
    // Receives the processes' signals and the deadlines; what is still queued for it goes with it.
    std::unique_ptr<QObject> context_;
};

} // namespace ride
