// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/qt_timer_driver.h"

#include "ui/qt/qt_binding.h"

namespace ride {

void QtTimerDriver::drive(Timer& timer)
{
    bindTimer(timer, &timers_);
}

} // namespace ride
