// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Handing control back to the event loop so that pending events (socket notifications, other
// timers, repaints) run before the caller goes on. It cannot fail.

namespace ride {

class EventYield {
public:
    virtual ~EventYield() = default;
    virtual void yieldToEvents() = 0;
};

} // namespace ride
