// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The place on screen a media player draws its picture into: the player window's video area. The
// window system's handle is asked for only when the player's engine starts, since a window gets
// its native handle late.
#include <cstdint>

namespace ride {

class VideoSurface {
public:
    virtual ~VideoSurface() = default;
    // The native window the picture goes into (an X window id).
    virtual std::int64_t nativeWindow() = 0;
};

} // namespace ride
