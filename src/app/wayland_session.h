// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pointer and keys go through XTest, which reaches X clients only: in a Wayland session the
// roaming program, if it is a native Wayland one, never sees them. The console says so once at
// start instead of failing silently (what counts as one: input/display_session).

namespace ride {

// Logs the warning once when the environment names a Wayland session.
void warnIfWaylandSession();

} // namespace ride
