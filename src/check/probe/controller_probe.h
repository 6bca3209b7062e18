// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Each configured TCP channel, as supervision would connect it: the address resolves and a
// connection is accepted within a few seconds. The connection is closed at once; nothing is
// sent. A controller may be switched off while the site is set up, so a failure is a warning.
#include "check/check_report.h"
#include "check/settings_review.h"

#include <chrono>

namespace ride {

void probeControllers(const SiteSettings& site, CheckReport& report, std::chrono::milliseconds limit);

} // namespace ride
