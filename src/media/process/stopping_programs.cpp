// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/process/stopping_programs.h"

#include "base/log.h"

#include <QMetaObject>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <csignal>

namespace ride {
namespace {

// What a SIGKILLed program needs before it can be reaped.
constexpr int kReapMs = 1000;

bool groupHasMembers(pid_t group)
{
    return group > 0 && ::kill(-group, 0) == 0;
}

} // namespace

StoppingPrograms::StoppingPrograms() : context_(std::make_unique<QObject>()) {}

StoppingPrograms::~StoppingPrograms()
{
    for (Entry& entry : entries_) {
        QObject::disconnect(entry.process.get(), nullptr, context_.get(), nullptr);
    }
    // The program is ending: what has not ended by its deadline is killed now, and reaped here
    // because no event loop will run again to do it.
    for (Entry& entry : entries_) {
        if (entry.process->state() != QProcess::NotRunning) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(entry.deadline - std::chrono::steady_clock::now());
            if (left.count() > 0) {
                entry.process->waitForFinished(static_cast<int>(left.count()));
            }
        }
        if (!entry.groupEnded && entry.group > 0) {
            ::kill(-entry.group, SIGKILL);
        }
        if (entry.process->state() != QProcess::NotRunning) {
            entry.process->kill();
            entry.process->waitForFinished(kReapMs);
        }
    }
}

void StoppingPrograms::end(std::unique_ptr<QProcess> process, std::string what)
{
    if (!process || process->state() == QProcess::NotRunning) {
        return;
    }
    // Our own stop is no failure worth a log line.
    process->disconnect();
    Entry& entry = entries_.emplace_back();
    entry.id = nextId_++;
    entry.process = std::move(process);
    // The program was started as the leader of its own group.
    entry.group = static_cast<pid_t>(entry.process->processId());
    entry.deadline = std::chrono::steady_clock::now() + kGrace;
    entry.what = std::move(what);

    const std::uint64_t id = entry.id;
    QObject::connect(entry.process.get(), &QProcess::stateChanged, context_.get(),
                     [this, id](QProcess::ProcessState state) {
                         if (state == QProcess::NotRunning) {
                             leaderEnded(id);
                         }
                     });
    if (entry.group > 0) {
        // The whole group, so that what a wrapper script started ends too.
        ::kill(-entry.group, SIGTERM);
    } else {
        entry.process->terminate();
    }
    QTimer::singleShot(kGrace, context_.get(), [this, id] { graceOver(id); });
}

StoppingPrograms::Entry* StoppingPrograms::find(std::uint64_t id)
{
    const auto it = std::find_if(entries_.begin(), entries_.end(), [id](const Entry& e) { return e.id == id; });
    return it == entries_.end() ? nullptr : &*it;
}

void StoppingPrograms::leaderEnded(std::uint64_t id)
{
    Entry* entry = find(id);
    if (!entry) {
        return;
    }
    entry->leaderEnded = true;
    // An empty group cannot gain members again; one with members left is killed at the deadline.
    if (!groupHasMembers(entry->group)) {
        entry->groupEnded = true;
    }
    queueSweep();
}

void StoppingPrograms::graceOver(std::uint64_t id)
{
    Entry* entry = find(id);
    if (!entry || entry->groupEnded) {
        return;
    }
    if (!entry->leaderEnded) {
        logWarning("animation",
                   entry->what + " did not end within " + std::to_string(kGrace.count()) + " ms of SIGTERM; killed");
    } else {
        logWarning("animation", "what " + entry->what + " started did not end within " +
                                    std::to_string(kGrace.count()) + " ms of SIGTERM; killed");
    }
    if (entry->group > 0) {
        ::kill(-entry->group, SIGKILL);
    } else {
        entry->process->kill();
    }
    entry->groupEnded = true;
    // The leader is reaped by the event loop; its state change sweeps the entry.
    queueSweep();
}

void StoppingPrograms::queueSweep()
{
    if (sweepQueued_) {
        return;
    }
    sweepQueued_ = true;
    QMetaObject::invokeMethod(
        context_.get(),
        [this] {
            sweepQueued_ = false;
            sweep();
        },
        Qt::QueuedConnection);
}

void StoppingPrograms::sweep()
{
    entries_.remove_if([](const Entry& e) { return e.leaderEnded && e.groupEnded; });
}

} // namespace ride
