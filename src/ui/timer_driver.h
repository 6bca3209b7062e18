// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs model timers: ticks each one every interval while it is enabled. The program's event loop
// is one driver; a test that ticks its timers by hand has none.
#include "ui/timer.h"

namespace ride {

class TimerDriver {
public:
    virtual ~TimerDriver() = default;
    // From now on, for the life of the driver, `timer` ticks whenever its interval has passed.
    virtual void drive(Timer& timer) = 0;
};

} // namespace ride
