// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/form4.h"

#include "media/media_player.h"
#include "player/playback_control.h"
#include "settings/profile_file.h"
#include "ui/window_setting.h"

namespace ride {

Form4::Form4(std::filesystem::path settingsFile) : settingsFile_(std::move(settingsFile))
{
    window.onResize([this] { layout(); });
}

Form4::~Form4() = default;

void Form4::attachPlayers(MediaPlayer& media, AnimationPlayer& animation)
{
    // The window holds one player for its whole life.
    if (playback_) {
        return;
    }
    // Control panel shown, half volume, each media once, its own aspect, in the window.
    media.setUiMode(u"full");
    media.setVolume(50);
    media.setPlayCount(1);
    media.setStretchToFit(false);
    media.setFullScreen(false);
    playback_ = std::make_unique<PlaybackControl>(*this, media, animation, settingsFile_);
}

void Form4::PlayStop()
{
    if (playStopAction_) {
        playStopAction_();
    }
}

bool Form4::videoPlaying() const
{
    return playback_ && playback_->playing();
}

const Text& Form4::currentExtension() const
{
    static const Text none;
    return playback_ ? playback_->currentExtension() : none;
}

void Form4::setPlayerLeft(double twips)
{
    if (playerRect.left == twips) {
        return;
    }
    playerRect.left = twips;
    layoutChanged.notify();
}

void Form4::setPlayerVisible(bool visible)
{
    if (playerVisible == visible) {
        return;
    }
    playerVisible = visible;
    layoutChanged.notify();
}

void Form4::load()
{
    if (loaded_) {
        return;
    }
    loaded_ = true;
    auto twips = [this](const char16_t* key) {
        return windowSettingTwips(ReadIni(settingsFile_, u"视频1位置及大小", key));
    };
    // Each value is applied as soon as it is read, as an installer watching the window expects.
    window.setLeft(twips(u"视频1位置左"));
    window.setTop(twips(u"视频1位置上"));
    window.setWidth(twips(u"视频1宽"));
    window.setHeight(twips(u"视频1高"));
    layout();
    window.show();
}

void Form4::layout()
{
    const TwipsRect& outer = window.geometry();
    playerRect = {0, 0, outer.width, outer.height};
    labelRect.left = (outer.width - labelRect.width) / 2;
    labelRect.top = (outer.height - labelRect.height) / 2;
    layoutChanged.notify();
}

} // namespace ride
