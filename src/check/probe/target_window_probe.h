// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// [控制界面] 目标窗口 and 目标窗口控制鼠标: the pattern for the window the bike keys may go to,
// and whether a window matching it is on the display now.
#include "check/check_report.h"
#include "input/focused_window.h"

#include <filesystem>

namespace ride {

// `windows` lists the windows on screen: the focused-window source of the pointer-and-key backend
// the program would choose; null when there is none.
void probeTargetWindow(const std::filesystem::path& settingsFile, FocusedWindowSource* windows, CheckReport& report);

} // namespace ride
