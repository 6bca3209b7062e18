#pragma once
// The keyboard focus of an X display (XGetInputFocus, XSetInputFocus), through a connection of
// its own.
#include "input/input_focus.h"

#include <memory>
#include <string_view>

namespace ride {

class X11InputFocus : public InputFocus {
public:
    // An empty name means $DISPLAY. Without a display nobody has the focus and none is given.
    explicit X11InputFocus(std::string_view displayName = {});
    ~X11InputFocus() override;
    X11InputFocus(const X11InputFocus&) = delete;
    X11InputFocus& operator=(const X11InputFocus&) = delete;

    bool connected() const;
    FocusWindow current() override;
    bool giveTo(FocusWindow window) override;

private:
    struct Connection; // keeps Xlib out of this header
    std::unique_ptr<Connection> x_;
};

} // namespace ride
