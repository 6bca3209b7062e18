// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The three windows on screen as Qt widgets: the console, the player (whose video area is where
// the media player draws) and the network window.
#include "app/window_views.h"

namespace ride {

class QtWindowViews : public WindowViews {
public:
    std::unique_ptr<WindowView> consoleView(Form1& model) override;
    std::unique_ptr<PlayerView> playerView(Form4& model) override;
    std::unique_ptr<NetworkView> networkView(Frmsock& model) override;
    // A top-level widget of the program whose native window has this id.
    bool isOwnWindow(unsigned long window) const override;
};

} // namespace ride
