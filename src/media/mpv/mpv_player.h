// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The media player on libmpv, drawing into a native child window of the player window. Events
// of the mpv core are delivered on the user-interface thread. Without the library's core (it
// could not be created) the player does nothing and says so once on standard error.
#include "media/media_player.h"
#include "media/video_surface.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class QObject;
struct mpv_handle;

namespace ride {
struct MpvLibrary;
}

namespace ride {

class MpvPlayer final : public MediaPlayer {
public:
    // `surface` must stay alive as long as the player. Relative media names are taken from
    // `mediaDirectory`.
    MpvPlayer(VideoSurface& surface, std::filesystem::path mediaDirectory);
    ~MpvPlayer() override;
    MpvPlayer(const MpvPlayer&) = delete;
    MpvPlayer& operator=(const MpvPlayer&) = delete;

    // Starts the core if it has not started yet; false when it cannot.
    bool available();

    void setUiMode(const Text& mode) override;
    void setVolume(int volume) override;
    void setUrl(const Text& url) override;
    void play() override;
    void stop() override;
    void setFullScreen(bool on) override;
    void setPlayCount(std::int32_t count) override;
    void setStretchToFit(bool on) override;
    void prepare() override;

private:
    struct Load {
        std::int64_t entry = -1;
        std::string location;
    };

    // Called by the core on a thread of its own.
    static void wakeUp(void* self);
    void initialise(VideoSurface& surface);
    // Hands the current location to the core; false (and one log line) when it is a local file
    // that is not there.
    bool load();
    void drainEvents();
    bool loadLocation(const std::string& location);
    void handleEndFile(std::int64_t entry, int reason, int error);
    void setState(std::int32_t state);
    void setProperty(const char* name, const char* value);

    VideoSurface* surface_;
    std::filesystem::path mediaDirectory_;
    const MpvLibrary* lib_ = nullptr;
    mpv_handle* mpv_ = nullptr;
    bool coreTried_ = false;
    // Properties set before the core started, in the order they were set; they become options
    // of the core when it starts.
    std::vector<std::pair<std::string, std::string>> pendingProperties_;
    std::unique_ptr<QObject> pump_;
    // Loads the library for prepare(); joined before the player goes.
    std::thread loader_;
    std::atomic<bool> drainQueued_{false};

    Text url_;
    // The url_ names a local file that is not there: play() does not try it again.
    bool missing_ = false;
    // What the core was last told to play, and the entry it started last.
    Load current_;
    std::int64_t startedEntry_ = -1;
    // A location is active from its load until it ends or is stopped.
    bool active_ = false;
    // What was on screen when a new location was asked for: shown again if that one fails.
    std::string fallbackLocation_;
    std::string playingLocation_;
    std::int32_t state_ = 0;
};

} // namespace ride
