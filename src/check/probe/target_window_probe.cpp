// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/probe/target_window_probe.h"

#include "check/settings_review.h"
#include "console/target_window_guard.h"
#include "input/window_pattern.h"
#include "settings/profile_file.h"

#include <cstdlib>
#include <string>

namespace ride {
namespace {

// Whether a window matching the pattern is on screen now; the display's own problems are
// probeDisplay's finding.
void reportMatchingWindow(const std::string& head, const std::string& pattern, FocusedWindowSource* windows,
                          CheckReport& report)
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        report.warning(head + "keys are typed only while the focused window matches; no display to look for one on");
        return;
    }
    for (const FocusedWindow& window : windows ? windows->windowsOnScreen() : std::vector<FocusedWindow>{}) {
        if (windowMatches(pattern, window)) {
            report.ok(head +
                      "keys are typed only while the focused window matches; on screen now: " + describeNames(window));
            return;
        }
    }
    report.warning(head + "no window on screen matches it now, so no bike key will be typed until one has the "
                          "focus (start the roaming program and check again; xprop WM_CLASS _NET_WM_NAME shows a "
                          "window's names)");
}

} // namespace

void probeTargetWindow(const std::filesystem::path& settingsFile, FocusedWindowSource* windows, CheckReport& report)
{
    const Text pattern = ReadIni(settingsFile, u"控制界面", u"目标窗口");
    const Text pointerText = ReadIni(settingsFile, u"控制界面", u"目标窗口控制鼠标");
    const std::string patternName = settingName(u"控制界面", u"目标窗口");
    const std::string pointerHead =
        settingName(u"控制界面", u"目标窗口控制鼠标") +
        (pointerText.empty() ? std::string(" not set: ") : " = \"" + toUtf8(pointerText) + "\": ");
    const bool pointerToo = targetWindowSettingsFrom(pattern, pointerText).guardsPointer;

    if (pattern.empty()) {
        report.ok(patternName + " not set: keys are typed into whichever window has the keyboard focus");
        if (pointerToo) {
            report.warning(pointerHead + "has no effect without " + patternName + "; the pointer always moves");
        }
        return;
    }
    reportMatchingWindow(patternName + " = \"" + toUtf8(pattern) + "\": ", toUtf8(pattern), windows, report);
    report.ok(pointerHead + (pointerToo ? "the pointer, too, moves only while the focused window matches"
                                        : "the pointer always moves"));
}

} // namespace ride
