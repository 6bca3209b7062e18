#include "check/probe/display_probe.h"

#include "input/x11/x11_availability.h"

#include <string>

namespace ride {

void probeDisplay(CheckReport& report)
{
    const X11Availability x11 = inspectX11Display(currentDisplayEnvironment());
    switch (x11.state) {
    case X11Availability::State::DisplayUnset:
    case X11Availability::State::WaylandOnly:
        report.problem("display: $DISPLAY is not set, so the console has no X server for its windows, pointer and "
                       "keys (run the check in the desktop session, or with DISPLAY=:0)");
        break;
    case X11Availability::State::Unreachable:
        report.problem("display: X server " + x11.display +
                       " cannot be reached (not running, or this user may not use it: check $XAUTHORITY)");
        break;
    case X11Availability::State::NoXTest:
        report.problem("display: X server " + x11.display +
                       " has no XTest extension, so no pointer move and no key can be sent");
        break;
    case X11Availability::State::Usable:
        report.ok("display: X server " + x11.display + " reached, with the XTest extension for pointer and keys");
        break;
    }

    if (x11.waylandSession) {
        report.problem("session: this is a Wayland session, where pointer and keys reach X programs only; the "
                       "installation needs an Xorg session");
    } else {
        report.ok("session: not a Wayland session");
    }
}

} // namespace ride
