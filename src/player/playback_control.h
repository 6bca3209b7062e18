// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the player window does with a request: a media file is played full-window without
// controls, at full volume, repeated; an animation (".SWF") clears the media player off the
// stage and goes to the animation player, whose state the window polls. The end of either
// calls the window's PlayStop.
#include "base/text.h"
#include "media/animation_player.h"
#include "media/media_player.h"

#include <filesystem>

namespace ride {

class Form4;

class PlaybackControl {
public:
    PlaybackControl(Form4& form, MediaPlayer& media, AnimationPlayer& animation, std::filesystem::path settingsFile);
    PlaybackControl(const PlaybackControl&) = delete;
    PlaybackControl& operator=(const PlaybackControl&) = delete;

    // The last four characters of the last request, in capitals, padded with blanks.
    const Text& currentExtension() const { return extension_; }
    // Whether something is on the stage: the media player's last reported state was playing, or,
    // after an animation request, the animation program runs.
    bool playing() const;

private:
    void handleRequest();
    void playMedia();
    void clearStageForAnimation();
    void pollAnimation();

    Form4& form_;
    MediaPlayer& media_;
    AnimationPlayer& animation_;
    std::filesystem::path settingsFile_;
    Text extension_;
    bool mediaPlaying_ = false;
};

} // namespace ride
