// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A yield with no event loop behind it: nothing is pending, so nothing runs.
#include "ui/event_yield.h"

namespace ride::testing {

class NoEvents : public EventYield {
public:
    void yieldToEvents() override {}
};

} // namespace ride::testing
