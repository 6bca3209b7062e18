// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/probe/priority_probe.h"

#include "check/probe/user_groups.h"
#include "service/ui_priority.h"

#include <string>

#include <grp.h>

namespace ride {
namespace {

const char* const kGroup = "ride-console";

} // namespace

void probeUiPriority(CheckReport& report)
{
    const UiPriority priority = tryUiThreadPriority();
    if (priority.raised) {
        report.ok("priority: records would be handled at nice " + std::to_string(priority.nice) +
                  ", ahead of busy programs at normal priority");
        return;
    }
    std::string advice;
    const std::string user = currentUserName();
    if (const group* entry = ::getgrnam(kGroup); entry == nullptr) {
        advice = "the package grants nice " + std::to_string(kUiThreadNice) + " to the group " + kGroup +
                 ", which this machine does not have";
    } else if (isMemberOfGroup(entry->gr_gid)) {
        advice = user + " is in the group " + kGroup + ", whose grant applies from the next login";
    } else {
        advice = "the package grants it to the group " + std::string(kGroup) + ": usermod -aG " + kGroup + " " + user +
                 ", then log in again";
    }
    report.warning("priority: records would be handled at nice " + std::to_string(priority.nice) +
                   ", waiting behind busy programs: nice " + std::to_string(kUiThreadNice) + " is refused (" +
                   priority.refusal + "); " + advice);
}

} // namespace ride
