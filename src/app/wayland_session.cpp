#include "app/wayland_session.h"

#include "base/log.h"

#include <cstdlib>

namespace ride {

bool isWaylandSession(const char* waylandDisplay, const char* sessionType)
{
    return (waylandDisplay != nullptr && *waylandDisplay != '\0') ||
           (sessionType != nullptr && std::string_view(sessionType) == "wayland");
}

void warnIfWaylandSession()
{
    if (isWaylandSession(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE"))) {
        logWarning("session", "this is a Wayland session: the pointer and keys are sent through XTest, which reaches "
                              "X clients only, so native Wayland programs never get them; the installation needs an "
                              "Xorg session");
    }
}

} // namespace ride
