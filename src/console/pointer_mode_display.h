// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shows the operator whether the pointer has lately had to move sideways ("手动调试") or the
// console has been left alone for ten ticks ("联动状态"). Nothing else reads it.
#include "ui/label.h"
#include "ui/timer.h"

#include <functional>

namespace ride {

class PointerModeDisplay {
public:
    static constexpr double kQuietTicks = 10;

    // `count` is the activity count the motion step restarts at "0"; `catchUp` brings it up to
    // date before each tick reads it (the motion step may restart it a little after its record).
    PointerModeDisplay(Label& count, Label& state, Timer& timer, std::function<void()> catchUp = {});
    PointerModeDisplay(const PointerModeDisplay&) = delete;
    PointerModeDisplay& operator=(const PointerModeDisplay&) = delete;

private:
    void tick();

    Label& count_;
    Label& state_;
    std::function<void()> catchUp_;
};

} // namespace ride
