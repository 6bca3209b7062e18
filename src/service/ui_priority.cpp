// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/ui_priority.h"

#include "base/log.h"

#include <cerrno>
#include <cstring>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace ride {
namespace {

// The calling thread's own nice value: on Linux, PRIO_PROCESS with a thread id is that thread.
int threadNice()
{
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    return errno == 0 ? nice : 0;
}

bool setThreadNice(int nice)
{
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), nice) == 0;
}

// RLIMIT_NICE n lets a thread go down to nice 20 - n; 0 lets it raise nothing.
std::string refusalText(int error)
{
    struct rlimit limit {};
    std::string text = std::strerror(error);
    if (::getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        text += limit.rlim_cur <= 20
                    ? "; this user may raise no thread above normal priority"
                    : "; this user may go down to nice " + std::to_string(20 - static_cast<long>(limit.rlim_cur));
    }
    return text;
}

// Takes the calling thread to kUiThreadNice, or says why not; a thread already at that priority
// or higher is left as it is.
UiPriority takeUiThreadNice()
{
    const int before = threadNice();
    if (before <= kUiThreadNice) {
        return {true, before, {}};
    }
    if (!setThreadNice(kUiThreadNice)) {
        return {false, before, refusalText(errno)};
    }
    return {true, threadNice(), {}};
}

} // namespace

UiPriority raiseUiThreadPriority()
{
    // Whatever comes of the raise: what this thread starts begins at nice 0, never below it.
    sched_param normal{};
    ::sched_setscheduler(0, SCHED_OTHER | SCHED_RESET_ON_FORK, &normal);
    return takeUiThreadNice();
}

void raiseUiThreadPriorityOrSayWhyNot()
{
    if (const UiPriority priority = raiseUiThreadPriority(); !priority.raised) {
        logInfo("priority", "records are handled at nice " + std::to_string(priority.nice) +
                                ", behind busy programs: nice " + std::to_string(kUiThreadNice) + " was refused (" +
                                priority.refusal + "); the package grants it to the group ride-console");
    }
}

UiPriority tryUiThreadPriority()
{
    const int before = threadNice();
    const UiPriority priority = takeUiThreadNice();
    if (priority.raised && before > kUiThreadNice) {
        setThreadNice(before); // a higher nice value is always allowed
    }
    return priority;
}

} // namespace ride
