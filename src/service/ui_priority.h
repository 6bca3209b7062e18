// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's UI thread turns each record into a pointer move and a key string. Beside a
// roaming program that keeps every core busy, a thread at normal priority that wakes for a
// record waits for the scheduler's next turn behind it; at nice -10 it runs at once. It asks for
// no more than that, and for no real-time class: a console that ran away would still share the
// cores with the desktop. Threads and programs it starts afterwards (the video player's, an
// animation program) start at normal priority.
//
// Raising it needs the system's leave: the package grants nice -10 to the group ride-console
// (/etc/security/limits.d/ride-console.conf, applied by PAM at login); root may anyway.
#include <string>

namespace ride {

inline constexpr int kUiThreadNice = -10;

struct UiPriority {
    // The thread runs at kUiThreadNice or below (raised now, or started there).
    bool raised = false;
    // Its nice value afterwards.
    int nice = 0;
    // When not raised: what the system said.
    std::string refusal;
};

// Raises the calling thread to kUiThreadNice if it runs above it and the system allows; either
// way, the threads and processes it starts afterwards start at normal priority.
UiPriority raiseUiThreadPriority();

// raiseUiThreadPriority(), with one info line for the installer when the system refuses.
void raiseUiThreadPriorityOrSayWhyNot();

// Whether raiseUiThreadPriority() would be allowed, tried on the calling thread and undone.
UiPriority tryUiThreadPriority();

} // namespace ride
