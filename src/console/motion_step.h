// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns a record's speed and direction into a pointer position for the roaming program, and
// restarts the activity count when the pointer has to move sideways.
#include "console/target_window_guard.h"
#include "input/cursor.h"
#include "ui/label.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace ride {

struct MotionSettings {
    double speedCoefficient = 7.2;
    std::int16_t xTravel = 1024;
    std::int16_t yTravel = 768;
};

// X = Xt - Xt*d/180 and Y = max(0, Yt/2 - s*k), rounded half to even. Empty when a value does
// not fit a 32-bit integer (only an exponent in a record field can get there).
[[nodiscard]] std::optional<CursorPoint> pointerTarget(const MotionSettings& settings, std::int32_t speed,
                                                       std::int32_t direction);

class MotionStep {
public:
    // With a guard, the pointer is moved only while the guard allows it; everything else of the
    // step happens either way.
    MotionStep(Cursor& cursor, Label& speedLabel, Label& xLabel, Label& activityCount,
               TargetWindowGuard* guard = nullptr);
    MotionStep(const MotionStep&) = delete;
    MotionStep& operator=(const MotionStep&) = delete;

    void setSettings(const MotionSettings& settings) { settings_ = settings; }
    const MotionSettings& settings() const { return settings_; }

    // Returns false, moving nothing, when the target does not fit a 32-bit integer. Where the
    // pointer stood before the move is noted once the cursor has the answer, which may come after
    // this returns: settle() waits for it.
    bool operator()(std::int32_t speed, std::int32_t direction);

    // Notes every answer still due, so that the activity count is what the records made it.
    void settle() { cursor_.settle(); }

    std::int32_t rememberedX() const { return rememberedX_; }

private:
    // A record wanted the pointer at `targetX`; it stood at `seenX`.
    void note(std::int32_t seenX, std::int32_t targetX);

    Cursor& cursor_;
    Label& speedLabel_;
    Label& xLabel_;
    Label& activityCount_;
    TargetWindowGuard* guard_;
    MotionSettings settings_;
    // Where the pointer stood the last time this step had to move it sideways.
    std::int32_t rememberedX_ = 0;
    // Answers that arrive after this step is gone note nothing.
    std::shared_ptr<MotionStep*> self_ = std::make_shared<MotionStep*>(this);
};

} // namespace ride
