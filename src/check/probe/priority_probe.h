// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether the console could raise its UI thread to nice -10 when run by this user, as it tries
// to at start (service/ui_priority.h): tried on the check's own thread and undone at once.
#include "check/check_report.h"

namespace ride {

void probeUiPriority(CheckReport& report);

} // namespace ride
