// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/target_window_guard.h"

#include "base/log.h"
#include "base/numeric_value.h"
#include "input/window_pattern.h"

#include <utility>

namespace ride {

TargetWindowSettings targetWindowSettingsFrom(Text pattern, TextView guardsPointer)
{
    return {std::move(pattern), numericValue(guardsPointer) == 1};
}

TargetWindowGuard::TargetWindowGuard(FocusedWindowSource* source, Clock clock)
    : source_(source), clock_(std::move(clock))
{
}

void TargetWindowGuard::setSettings(TargetWindowSettings settings)
{
    settings_ = std::move(settings);
    patternUtf8_ = toUtf8(settings_.pattern);
    keyRefusals_ = {};
    pointerRefusals_ = {};
}

std::optional<std::uint64_t> TargetWindowGuard::due(RefusalLog& log, const FocusedWindow& focused)
{
    const auto now = clock_();
    const bool sameFocus = log.active && log.kind == focused.kind && log.window == focused.id;
    if (sameFocus && now - log.lastLine < kRepeatAfter) {
        ++log.unlogged;
        return std::nullopt;
    }
    const std::uint64_t unlogged = sameFocus ? log.unlogged : 0;
    log = {true, focused.kind, focused.id, now, 0};
    return unlogged;
}

std::string TargetWindowGuard::describe(const FocusedWindow& focused) const
{
    std::string what;
    switch (focused.kind) {
    case FocusedWindow::Kind::Nothing: what = "no window has the keyboard focus"; break;
    case FocusedWindow::Kind::Unknown: what = "the focused window could not be found"; break;
    case FocusedWindow::Kind::Client:
        what = "the focused window (" + describeNames(focused) + ") does not match";
        break;
    }
    return what + " [控制界面] 目标窗口 \"" + patternUtf8_ + "\"";
}

bool TargetWindowGuard::allowsKeys(std::string_view box, std::size_t length)
{
    if (!guardsKeys()) {
        return true;
    }
    const FocusedWindow focused = source_->focusedWindow();
    if (windowMatches(patternUtf8_, focused)) {
        keyRefusals_.active = false; // the focus came to the target: a later refusal is news
        return true;
    }
    if (const auto unlogged = due(keyRefusals_, focused)) {
        std::string line = std::string(box) + ": key string of " + std::to_string(length) +
                           " characters not typed: " + describe(focused);
        if (*unlogged > 0) {
            line += " (" + std::to_string(*unlogged) + " more not typed since the last such line)";
        }
        logWarning("console", line);
    }
    return false;
}

bool TargetWindowGuard::allowsPointer()
{
    if (!guardsPointer()) {
        return true;
    }
    const FocusedWindow focused = source_->focusedWindow();
    if (windowMatches(patternUtf8_, focused)) {
        pointerRefusals_.active = false;
        return true;
    }
    if (due(pointerRefusals_, focused)) {
        logWarning("console", "pointer not moved: " + describe(focused) + " (目标窗口控制鼠标 is 1)");
    }
    return false;
}

} // namespace ride
