// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/wayland_session.h"

#include "base/log.h"
#include "input/display_session.h"

namespace ride {

void warnIfWaylandSession()
{
    const DisplayEnvironment environment = currentDisplayEnvironment();
    if (isWaylandSession(environment.waylandDisplay, environment.sessionType)) {
        logWarning("session", "this is a Wayland session: the pointer and keys are sent through XTest, which reaches "
                              "X clients only, so native Wayland programs never get them; the installation needs an "
                              "Xorg session");
    }
}

} // namespace ride
