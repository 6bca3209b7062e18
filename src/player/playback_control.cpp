// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/playback_control.h"

#include "base/log.h"
#include "player/form4.h"
#include "player/request_ending.h"
#include "settings/profile_file.h"

namespace ride {
namespace {

const Text kAnimationStopped = u"SWF停止";
const Text kAnimationPlaying = u"SWF播放";

bool blank(const Text& text)
{
    return text.find_first_not_of(u' ') == Text::npos;
}

} // namespace

PlaybackControl::PlaybackControl(Form4& form, MediaPlayer& media, AnimationPlayer& animation,
                                 std::filesystem::path settingsFile)
    : form_(form), media_(media), animation_(animation), settingsFile_(std::move(settingsFile))
{
    form_.Text1.onChange([this] { handleRequest(); });
    form_.Text3.onChange([this] {
        if (form_.Text3.text() == kAnimationStopped) {
            form_.PlayStop();
        }
    });
    form_.Timer1.onTick([this] { pollAnimation(); });
    media_.onPlayStateChange([this](std::int32_t state) {
        mediaPlaying_ = state == play_state::kPlaying;
        if (state == play_state::kMediaEnded) {
            form_.PlayStop();
        }
    });
}

void PlaybackControl::handleRequest()
{
    const Text request = form_.Text1.text();
    if (blank(request)) {
        return;
    }
    form_.Text2.setText(request);
    extension_ = requestEnding(request);
    // Whatever comes next takes the screen: an animation still running would cover it.
    animation_.stop();
    if (extension_ != kAnimationEnding) {
        playMedia();
    } else {
        clearStageForAnimation();
    }
    form_.Text1.setText({});
}

void PlaybackControl::playMedia()
{
    form_.setPlayerLeft(0);
    media_.setUiMode(u"none");
    media_.setVolume(100);
    media_.setUrl(form_.Text1.text());
    media_.play();
    media_.setFullScreen(false);
    media_.setPlayCount(kPlayCountForever);
    media_.setStretchToFit(true);
    form_.setPlayerVisible(true);
}

void PlaybackControl::clearStageForAnimation()
{
    media_.stop();
    form_.setPlayerVisible(false);
    form_.setPlayerLeft(form_.window.geometry().width);

    const Text file = form_.Text1.text();
    const Text command = ReadIni(settingsFile_, u"视频文件", u"动画播放程序");
    if (command.empty()) {
        logWarning("animation", "\"" + toUtf8(file) + "\" asked for, but [视频文件] 动画播放程序 is not set");
    }
    animation_.start(command, file);
}

bool PlaybackControl::playing() const
{
    return extension_ == kAnimationEnding ? animation_.playing() : mediaPlaying_;
}

void PlaybackControl::pollAnimation()
{
    if (extension_ != kAnimationEnding) {
        return;
    }
    if (!animation_.playing()) {
        form_.Text3.setText(kAnimationStopped);
    }
    if (animation_.playing()) {
        form_.Text3.setText(kAnimationPlaying);
    }
}

} // namespace ride
