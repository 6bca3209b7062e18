// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ui/event_yield.h"

namespace ride {

// Runs the pending events of the Qt event loop, as a handler that waits on the network does.
class QtEventYield : public EventYield {
public:
    void yieldToEvents() override;
};

} // namespace ride
