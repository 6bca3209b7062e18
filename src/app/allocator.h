// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The allocator's settings for a program that plays video all day.
#include "base/upkeep.h"

namespace ride {

// Blocks of 128 KiB and more (decoded video frames) are mapped on their own and go back to the
// system when freed; by default the allocator raises that limit and serves later frames from the
// per-thread heaps, which then creep up with a looping video (docs/reliability.md). Call before
// any thread starts.
void tuneAllocator();

// Once a minute, whole pages left free inside the heaps go back to the system, so resident memory
// does not creep up over a long exhibition day.
Upkeep heapTrim();

} // namespace ride
