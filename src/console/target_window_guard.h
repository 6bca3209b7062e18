// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The installer's guard on the window that receives the bike keys: with a pattern set
// ([控制界面] 目标窗口), a key string is typed only while the focused top-level window matches
// it, and, when so set ([控制界面] 目标窗口控制鼠标 = 1), the pointer moves only then too. A
// refusal is one log line; the same refusal is not repeated more than once a minute while the
// same window keeps the focus. Without a pattern nothing is asked and everything goes through.
#include "base/text.h"
#include "input/focused_window.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ride {

struct TargetWindowSettings {
    Text pattern;               // empty: no guard
    bool guardsPointer = false; // the pointer waits for the matching window as well
};

// [控制界面] 目标窗口 as read, and 目标窗口控制鼠标 guarding the pointer when its numeric value is 1.
TargetWindowSettings targetWindowSettingsFrom(Text pattern, TextView guardsPointer);

class TargetWindowGuard {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::minutes kRepeatAfter{1};

    // Without a source (no display to ask) there is no guard, whatever the settings say.
    explicit TargetWindowGuard(FocusedWindowSource* source, Clock clock = &std::chrono::steady_clock::now);

    void setSettings(TargetWindowSettings settings);
    const TargetWindowSettings& settings() const { return settings_; }
    bool guardsKeys() const { return source_ != nullptr && !settings_.pattern.empty(); }
    bool guardsPointer() const { return guardsKeys() && settings_.guardsPointer; }

    // Whether the key string of box `box`, `length` characters long, may be typed now. One
    // question to the display when a pattern is set, none otherwise.
    [[nodiscard]] bool allowsKeys(std::string_view box, std::size_t length);
    // Whether the pointer may move now; asks only when the pointer is guarded.
    [[nodiscard]] bool allowsPointer();

private:
    // The last refusal logged for one kind of input, and how many were not logged since.
    struct RefusalLog {
        bool active = false;
        FocusedWindow::Kind kind = FocusedWindow::Kind::Unknown;
        unsigned long window = 0;
        std::chrono::steady_clock::time_point lastLine{};
        std::uint64_t unlogged = 0;
    };

    // For a refusal that gets its line: how many were not logged since the last one for the same
    // window. Empty (and counted) for one that does not.
    std::optional<std::uint64_t> due(RefusalLog& log, const FocusedWindow& focused);
    std::string describe(const FocusedWindow& focused) const;

    FocusedWindowSource* source_;
    Clock clock_;
    TargetWindowSettings settings_;
    std::string patternUtf8_;
    RefusalLog keyRefusals_;
    RefusalLog pointerRefusals_;
};

} // namespace ride
