// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SIGTERM (a service manager stopping the console, a plain kill) and SIGINT end the event loop the
// way "结束" does, so that the program winds down in order: the borrowed keycodes go back to the
// keymap, an animation program is ended. The default action would end the process on the spot.
namespace ride {

// Call once, with the Qt application in place and before its event loop runs. The loop then
// returns 0 on the first of these signals.
void quitEventLoopOnTerminationSignals();

} // namespace ride
