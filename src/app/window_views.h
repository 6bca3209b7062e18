// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The windows on screen: a view for each of the three windows' models, made by the toolkit in the
// program and by nobody in tests that drive the models alone. A view binds its window's widgets
// and timers to its model and lives no longer than the model.
#include "media/video_surface.h"

#include <memory>

namespace ride {

class Form1;
class Form4;
class Frmsock;

class WindowView {
public:
    virtual ~WindowView() = default;
};

class PlayerView : public WindowView {
public:
    // Where the media player draws the video.
    virtual VideoSurface& videoSurface() = 0;
};

class NetworkView : public WindowView {
public:
    // Brings the window to the front and gives it the keyboard focus: the operator opened it to
    // type into it.
    virtual void bringToFront() = 0;
};

class WindowViews {
public:
    virtual ~WindowViews() = default;
    virtual std::unique_ptr<WindowView> consoleView(Form1& model) = 0;
    virtual std::unique_ptr<PlayerView> playerView(Form4& model) = 0;
    virtual std::unique_ptr<NetworkView> networkView(Frmsock& model) = 0;
    // Whether a window of the display (an X window id) is one of the program's own.
    virtual bool isOwnWindow(unsigned long window) const = 0;
};

} // namespace ride
