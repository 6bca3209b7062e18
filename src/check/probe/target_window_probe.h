#pragma once
// [控制界面] 目标窗口 and 目标窗口控制鼠标: the pattern for the window the bike keys may go to,
// and whether a window matching it is on the display now.
#include "check/check_report.h"

#include <filesystem>

namespace ride {

void probeTargetWindow(const std::filesystem::path& settingsFile, CheckReport& report);

} // namespace ride
