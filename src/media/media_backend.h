// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What plays the player window's media: a backend makes the window's media player and its
// animation player. Relative names of media files and programs are taken from the directory given.
#include "media/animation_player.h"
#include "media/media_player.h"
#include "media/video_surface.h"

#include <filesystem>
#include <memory>

namespace ride {

class MediaBackend {
public:
    virtual ~MediaBackend() = default;

    // The media player, drawing into `surface`; null `surface`: the window is not on screen. A
    // backend that cannot play without a surface returns null, and the window plays nothing.
    virtual std::unique_ptr<MediaPlayer> makeMediaPlayer(VideoSurface* surface,
                                                         const std::filesystem::path& mediaDirectory) = 0;
    virtual std::unique_ptr<AnimationPlayer> makeAnimationPlayer(const std::filesystem::path& workingDirectory) = 0;
};

} // namespace ride
