// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether the network window's "保存" could replace "配置.ini": the settings directory takes a
// new file (one is created and removed again, under a name of the check's own) and neither the
// directory nor the file is marked read-only, which the writer honours even for root. The
// settings file itself is never touched.
#include "check/check_report.h"

#include <filesystem>

namespace ride {

void probeSettingsDirectory(const std::filesystem::path& settingsFile, CheckReport& report);

} // namespace ride
