// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/display_session.h"

#include <cstdlib>
#include <string_view>

namespace ride {

DisplayEnvironment currentDisplayEnvironment()
{
    return {std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE")};
}

bool isWaylandSession(const char* waylandDisplay, const char* sessionType)
{
    return (waylandDisplay != nullptr && *waylandDisplay != '\0') ||
           (sessionType != nullptr && std::string_view(sessionType) == "wayland");
}

} // namespace ride
