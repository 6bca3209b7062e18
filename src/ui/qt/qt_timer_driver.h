// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Model timers run by Qt timers of the event loop, for the life of the driver.
#include "ui/timer_driver.h"

#include <QObject>

namespace ride {

class QtTimerDriver : public TimerDriver {
public:
    void drive(Timer& timer) override;

private:
    // Parent of the Qt timers: they go with the driver.
    QObject timers_;
};

} // namespace ride
