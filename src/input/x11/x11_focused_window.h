#pragma once
// The top-level window that has the keyboard focus on an X display, with its WM_CLASS and title,
// through a connection of its own that is opened on the first question (a console without a
// target window pattern never opens it).
#include "input/focused_window.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace ride {

class X11FocusedWindow : public FocusedWindowSource {
public:
    // An empty name means $DISPLAY. Without a display every answer is Kind::Unknown.
    explicit X11FocusedWindow(std::string_view displayName = {});
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
