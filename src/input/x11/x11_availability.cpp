// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/x11/x11_availability.h"

#include "input/x11/x11_display.h"

#include <X11/Xlib.h>

namespace ride {

X11Availability inspectX11Display(const DisplayEnvironment& environment)
{
    X11Availability out;
    out.waylandSession = isWaylandSession(environment.waylandDisplay, environment.sessionType);
    if (environment.display == nullptr || *environment.display == '\0') {
        const bool wayland = environment.waylandDisplay != nullptr && *environment.waylandDisplay != '\0';
        out.state = wayland ? X11Availability::State::WaylandOnly : X11Availability::State::DisplayUnset;
        return out;
    }
    out.display = environment.display;
    X11Display display(out.display);
    if (!display.isOpen()) {
        out.state = X11Availability::State::Unreachable;
        return out;
    }
    int opcode = 0;
    int event = 0;
    int error = 0;
    out.state = XQueryExtension(display.get(), "XTEST", &opcode, &event, &error) ? X11Availability::State::Usable
                                                                                 : X11Availability::State::NoXTest;
    return out;
}

std::optional<std::string> whyUnusable(const X11Availability& x11)
{
    switch (x11.state) {
    case X11Availability::State::DisplayUnset:
        return std::string("$DISPLAY is not set: no X server to send the pointer and keys to");
    case X11Availability::State::WaylandOnly:
        return std::string("a Wayland session without XWayland ($WAYLAND_DISPLAY is set, $DISPLAY is not)");
    case X11Availability::State::Unreachable: return "X display \"" + x11.display + "\" cannot be reached";
    case X11Availability::State::NoXTest:
        // The pointer still moves without XTEST; the keys say so themselves when they refuse.
    case X11Availability::State::Usable: break;
    }
    return std::nullopt;
}

std::vector<Finding> siteFindings(const X11Availability& x11)
{
    std::vector<Finding> findings;
    switch (x11.state) {
    case X11Availability::State::DisplayUnset:
    case X11Availability::State::WaylandOnly:
        findings.push_back({FindingLevel::Problem,
                            "display: $DISPLAY is not set, so the console has no X server for its windows, pointer "
                            "and keys (run the check in the desktop session, or with DISPLAY=:0)"});
        break;
    case X11Availability::State::Unreachable:
        findings.push_back({FindingLevel::Problem,
                            "display: X server " + x11.display +
                                " cannot be reached (not running, or this user may not use it: check $XAUTHORITY)"});
        break;
    case X11Availability::State::NoXTest:
        findings.push_back(
            {FindingLevel::Problem, "display: X server " + x11.display +
                                        " has no XTest extension, so no pointer move and no key can be sent"});
        break;
    case X11Availability::State::Usable:
        findings.push_back({FindingLevel::Ok, "display: X server " + x11.display +
                                                  " reached, with the XTest extension for pointer and keys"});
        break;
    }
    if (x11.waylandSession) {
        findings.push_back({FindingLevel::Problem, "session: this is a Wayland session, where pointer and keys reach X "
                                                   "programs only; the installation needs an Xorg session"});
    } else {
        findings.push_back({FindingLevel::Ok, "session: not a Wayland session"});
    }
    return findings;
}

} // namespace ride
