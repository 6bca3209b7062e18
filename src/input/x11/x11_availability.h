// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether the pointer and keys can work on the X display the environment names, and if not why:
// for the site check's findings and for choosing a backend at start. No X headers here.
#include "base/finding.h"
#include "input/display_session.h"

#include <optional>
#include <string>
#include <vector>

namespace ride {

struct X11Availability {
    enum class State {
        DisplayUnset, // $DISPLAY unset or empty
        WaylandOnly,  // $DISPLAY unset in a session with $WAYLAND_DISPLAY: Wayland without XWayland
        Unreachable,  // no X server answers on $DISPLAY, or it refuses this user
        NoXTest,      // the server answers but lacks XTEST: no pointer move, no key
        Usable,
    };

    State state = State::DisplayUnset;
    // $DISPLAY as set; empty when unset.
    std::string display;
    // The session is Wayland (isWaylandSession), whatever the state: with XWayland the display
    // is usable, but native Wayland programs still get no pointer and no key.
    bool waylandSession = false;

    bool usable() const { return state == State::Usable; }
};

// Opens the display to look (and closes it again) when $DISPLAY is set.
X11Availability inspectX11Display(const DisplayEnvironment& environment);

// Why the pointer and keys cannot go through the display, for the program's choice of backends;
// nothing when they can.
std::optional<std::string> whyUnusable(const X11Availability& x11);

// What the site check says about the display and the session.
std::vector<Finding> siteFindings(const X11Availability& x11);

} // namespace ride
