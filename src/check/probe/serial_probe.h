// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial line as the console would open it: the device [串口设置] 端口 means, that it
// exists, that this user may open it, and that it takes the line settings of [串口设置] 设置.
// The device is opened and closed again; nothing is written to it.
#include "check/check_report.h"
#include "check/settings_review.h"

namespace ride {

void probeSerialLine(const SiteSettings& site, CheckReport& report);

} // namespace ride
