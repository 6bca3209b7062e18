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

} // namespace ride
