// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/pointer_mode_display.h"

#include "base/numeric_value.h"

#include <utility>

namespace ride {

PointerModeDisplay::PointerModeDisplay(Label& count, Label& state, Timer& timer, std::function<void()> catchUp)
    : count_(count), state_(state), catchUp_(std::move(catchUp))
{
    timer.onTick([this] { tick(); });
}

void PointerModeDisplay::tick()
{
    if (catchUp_) {
        catchUp_();
    }
    const double ticks = numericValue(count_.caption());
    if (ticks < kQuietTicks) {
        count_.setCaption(shortestDecimal(ticks + 1));
        state_.setCaption(u"手动调试");
    } else {
        state_.setCaption(u"联动状态");
    }
}

} // namespace ride
