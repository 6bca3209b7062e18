// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The top-level window that has the keyboard focus on an X display, with its WM_CLASS and title,
// through xcb on the connection it shares with the pointer and the keys. It asks the server
// nothing before the first question: a console without a target window pattern never asks.
#include "input/focused_window.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ride {

class X11Display;

class X11FocusedWindow : public FocusedWindowSource {
public:
    // Uses `display`, which must outlive it. When the display is not open, the first question
    // logs that, and every answer is Kind::Unknown.
    explicit X11FocusedWindow(X11Display& display);
    ~X11FocusedWindow() override;
    X11FocusedWindow(const X11FocusedWindow&) = delete;
    X11FocusedWindow& operator=(const X11FocusedWindow&) = delete;

    // Two round trips once the focus window has been seen before (the focus, then the three
    // properties together); a new focus window costs one more per level up to its top-level
    // client.
    FocusedWindow focusedWindow() override;

    // The top-level windows of the programs on screen now (mapped and viewable), with their
    // names, in stacking order from the bottom; empty without a display. For the site check: a
    // round trip per window, and a few more.
    std::vector<FocusedWindow> windowsOnScreen() override;

    // How many times this source has waited for the server's replies: for tests and benchmarks.
    std::uint64_t roundTrips() const;

private:
    struct Impl; // keeps Xlib and xcb out of this header
    std::unique_ptr<Impl> x_;
};

} // namespace ride
