// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The media player control of the player window, as the playback logic sees it: the members it
// sets and the play-state notification. Where the player sits and whether it shows belong to the
// window that holds it, not to the control.
// No call reports failure to the caller: a media file that cannot be played is logged by the
// backend and leaves the screen as it was, and the play-state notification says what happened.
#include "base/text.h"

#include <cstdint>
#include <functional>

namespace ride {

// Play-state numbers of the notification, as the player window's logic knows them.
namespace play_state {
constexpr std::int32_t kStopped = 1;
constexpr std::int32_t kPlaying = 3;
// Raised once, when the last repetition of the media has ended.
constexpr std::int32_t kMediaEnded = 8;
} // namespace play_state

// Repeat the media for as long as it is not replaced or stopped.
constexpr std::int32_t kPlayCountForever = 65535;

class MediaPlayer {
public:
    using StateHandler = std::function<void(std::int32_t newState)>;

    virtual ~MediaPlayer() = default;

    // "full" shows the control panel, "none" hides it.
    virtual void setUiMode(const Text& mode) = 0;
    // 0 to 100.
    virtual void setVolume(int volume) = 0;
    // The media location; a newly set one starts playing at once.
    virtual void setUrl(const Text& url) = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual void setFullScreen(bool on) = 0;
    // How many times the media plays; kPlayCountForever repeats it without end.
    virtual void setPlayCount(std::int32_t count) = 0;
    // Stretch the picture to the player's rectangle instead of keeping its aspect.
    virtual void setStretchToFit(bool on) = 0;
    // Starts the engine ahead of the first request, so that the control panel shows and the first
    // video shows at once. A player with nothing to start does nothing.
    virtual void prepare() {}

    // Runs on the user-interface thread, as any other event.
    void onPlayStateChange(StateHandler handler) { stateHandler_ = std::move(handler); }

protected:
    void notifyPlayState(std::int32_t state) const
    {
        if (stateHandler_) {
            stateHandler_(state);
        }
    }

private:
    StateHandler stateHandler_;
};

} // namespace ride
