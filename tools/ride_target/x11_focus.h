// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Taking the keyboard focus on X11 directly. Without a window manager nobody hands the focus
// to a newly mapped window, and the console's keystrokes go wherever the focus happens to be.
// Kept free of X11 headers, whose macros clash with Qt's names.

namespace ride::target {

class X11Focus {
public:
    // Opens a connection of its own to $DISPLAY; without one, nothing here does anything.
    X11Focus();
    ~X11Focus();
    X11Focus(const X11Focus&) = delete;
    X11Focus& operator=(const X11Focus&) = delete;

    bool available() const { return display_ != nullptr; }
    // Whether `window` or one of its children has the keyboard focus.
    bool holds(unsigned long window) const;
    // Gives `window` the focus if it is viewable; returns whether it holds it afterwards.
    bool take(unsigned long window);

private:
    void* display_ = nullptr;
};

} // namespace ride::target
