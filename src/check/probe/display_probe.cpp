#include "check/probe/display_probe.h"

#include "input/display_session.h"

#include <X11/Xlib.h>

#include <cstdlib>
#include <string>

namespace ride {

void probeDisplay(CheckReport& report)
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        report.problem("display: $DISPLAY is not set, so the console has no X server for its windows, pointer and "
                       "keys (run the check in the desktop session, or with DISPLAY=:0)");
    } else if (Display* display = XOpenDisplay(name)) {
        int opcode = 0;
        int event = 0;
        int error = 0;
        if (XQueryExtension(display, "XTEST", &opcode, &event, &error)) {
            report.ok(std::string("display: X server ") + name +
                      " reached, with the XTest extension for pointer and keys");
        } else {
            report.problem(std::string("display: X server ") + name +
                           " has no XTest extension, so no pointer move and no key can be sent");
        }
        XCloseDisplay(display);
    } else {
        report.problem(std::string("display: X server ") + name +
                       " cannot be reached (not running, or this user may not use it: check $XAUTHORITY)");
    }

    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* session = std::getenv("XDG_SESSION_TYPE");
    if (isWaylandSession(wayland, session)) {
        report.problem("session: this is a Wayland session, where pointer and keys reach X programs only; the "
                       "installation needs an Xorg session");
    } else {
        report.ok("session: not a Wayland session");
    }
}

} // namespace ride
