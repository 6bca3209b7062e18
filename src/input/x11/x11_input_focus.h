// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keyboard focus of an X display (XGetInputFocus, XSetInputFocus), on the connection it
// shares with the pointer and the keys.
#include "input/input_focus.h"

namespace ride {

class X11Display;

class X11InputFocus : public InputFocus {
public:
    // Uses `display`, which must outlive it. When the display is not open it logs that now;
    // nobody then has the focus and none is given.
    explicit X11InputFocus(X11Display& display);
    X11InputFocus(const X11InputFocus&) = delete;
    X11InputFocus& operator=(const X11InputFocus&) = delete;

    bool connected() const;
    FocusWindow current() override;
    bool giveTo(FocusWindow window) override;

private:
    X11Display& display_;
};

} // namespace ride
