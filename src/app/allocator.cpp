// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/allocator.h"

#include <malloc.h>

namespace ride {

void tuneAllocator()
{
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

Upkeep heapTrim()
{
    return {"heap trim", std::chrono::minutes(1), [] { malloc_trim(0); }};
}

} // namespace ride
