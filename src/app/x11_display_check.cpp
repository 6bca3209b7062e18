#include "app/x11_display_check.h"

#include "app/wayland_session.h"

#include <cstdlib>

#include <X11/Xlib.h>

namespace ride {

std::optional<std::string> x11DisplayUnavailable(const BackendContext& context)
{
    const char* fromEnvironment = std::getenv("DISPLAY");
    const std::string name = context.displayName.empty() ? std::string(fromEnvironment ? fromEnvironment : "")
                                                         : context.displayName;
    if (name.empty()) {
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        return std::string(wayland && *wayland ? "a Wayland session without XWayland ($WAYLAND_DISPLAY is set, "
                                                 "$DISPLAY is not)"
                                               : "$DISPLAY is not set: no X server to send the pointer and keys to");
    }
    Display* display = XOpenDisplay(name.c_str());
    if (!display) {
        return "cannot open X display \"" + name + "\"";
    }
    XCloseDisplay(display);
    return std::nullopt;
}

// What the site check says about the X display and the session.
std::vector<Finding> x11DisplayFindings(const BackendContext&)
{
    std::vector<Finding> findings;
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        findings.push_back({FindingLevel::Problem,
                            "display: $DISPLAY is not set, so the console has no X server for its windows, pointer and "
                            "keys (run the check in the desktop session, or with DISPLAY=:0)"});
    } else if (Display* display = XOpenDisplay(name)) {
        int opcode = 0;
        int event = 0;
        int error = 0;
        if (XQueryExtension(display, "XTEST", &opcode, &event, &error)) {
            findings.push_back({FindingLevel::Ok, std::string("display: X server ") + name +
                                                      " reached, with the XTest extension for pointer and keys"});
        } else {
            findings.push_back({FindingLevel::Problem, std::string("display: X server ") + name +
                                                           " has no XTest extension, so no pointer move and no key "
                                                           "can be sent"});
        }
        XCloseDisplay(display);
    } else {
        findings.push_back({FindingLevel::Problem, std::string("display: X server ") + name +
                                                       " cannot be reached (not running, or this user may not use "
                                                       "it: check $XAUTHORITY)"});
    }
    if (isWaylandSession(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE"))) {
        findings.push_back({FindingLevel::Problem, "session: this is a Wayland session, where pointer and keys reach X "
                                                   "programs only; the installation needs an Xorg session"});
    } else {
        findings.push_back({FindingLevel::Ok, "session: not a Wayland session"});
    }
    return findings;
}

} // namespace ride
