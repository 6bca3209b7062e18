// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/x11/x11_platform.h"

#include "input/x11/x11_display.h"

#include <chrono>

namespace ride {

X11Platform::X11Platform(std::string_view displayName, std::chrono::milliseconds bindingLifetime)
    : display_(std::make_unique<X11Display>(displayName)), cursor_(*display_), keys_(*display_, bindingLifetime),
      focus_(*display_), focusedWindow_(*display_)
{
}

X11Platform::~X11Platform() = default;

bool X11Platform::connected() const
{
    return display_->isOpen();
}

std::vector<Upkeep> X11Platform::upkeep()
{
    std::vector<Upkeep> tasks;
    tasks.push_back({"keymap restore", std::chrono::milliseconds(1000), [this] {
                         if (keys_.holdsBindings()) {
                             keys_.restoreExpiredBindings();
                         }
                     }});
    return tasks;
}

} // namespace ride
