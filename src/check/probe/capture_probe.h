// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether the console captures its traffic ("--capture" or "[数据记录] 文件"), where, how large the
// files may grow ("[数据记录] 上限MB"), and whether the file can be written there: an existing
// file is opened for writing without being changed; otherwise a file of the check's own is
// created beside it and removed at once. A capture that cannot be written is a warning: the
// console then runs as without one.
#include "check/check_report.h"

#include <filesystem>
#include <optional>

namespace ride {

void probeCapture(const std::filesystem::path& settingsFile,
                  const std::optional<std::filesystem::path>& fromCommandLine, CheckReport& report);

} // namespace ride
