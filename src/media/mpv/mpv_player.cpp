// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/mpv/mpv_player.h"

#include "base/log.h"
#include "media/media_location.h"
#include "media/mpv/mpv_library.h"

#include <QMetaObject>
#include <QObject>

#include <mpv/client.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <system_error>
#include <utility>

namespace ride {
namespace {

// Without a DRM render node there is no hardware OpenGL: probing for it would only load the
// software renderer (some 50 MiB) to reject it.
bool hasRenderNode()
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
        if (entry.path().filename().string().rfind("renderD", 0) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

MpvPlayer::MpvPlayer(VideoSurface& surface, std::filesystem::path mediaDirectory)
    : surface_(&surface), mediaDirectory_(std::move(mediaDirectory)), pump_(std::make_unique<QObject>())
{
}

bool MpvPlayer::available()
{
    // The core and its video output start once, at the first of prepare() and the first media
    // request; the console's windows come up first, without waiting for its libraries to load.
    if (!coreTried_) {
        coreTried_ = true;
        initialise(*surface_);
        pendingProperties_.clear();
    }
    return mpv_ != nullptr;
}

void MpvPlayer::prepare()
{
    if (coreTried_ || loader_.joinable()) {
        return;
    }
    // The library pulls in some 180 shared libraries: 0.1 s here, far more from a cold disk. On a
    // thread of its own that time does not hold up the serial poll and the decoding (records
    // arriving meanwhile would be read as one), and the core then starts on this thread.
    loader_ = std::thread([this, pump = pump_.get()] {
        static_cast<void>(mpvLibrary());
        QMetaObject::invokeMethod(
            pump, [this] { static_cast<void>(available()); }, Qt::QueuedConnection);
    });
}

MpvPlayer::~MpvPlayer()
{
    // Its queued start goes with the pump.
    if (loader_.joinable()) {
        loader_.join();
    }
    if (!mpv_) {
        return;
    }
    // No event may reach a half-destroyed player: stop the pump before the core goes.
    lib_->setWakeupCallback(mpv_, nullptr, nullptr);
    pump_.reset();
    lib_->terminateDestroy(mpv_);
}

void MpvPlayer::initialise(VideoSurface& surface)
{
    lib_ = mpvLibrary();
    if (!lib_) {
        return;
    }
    mpv_ = lib_->create();
    if (!mpv_) {
        const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
        logError("video", std::string("the media player cannot be created (LC_NUMERIC is ") +
                              (numeric ? numeric : "unset") + ", it must be C); no video will be shown");
        return;
    }
    std::int64_t window = surface.nativeWindow();
    lib_->setOption(mpv_, "wid", MPV_FORMAT_INT64, &window);
    const bool gpu = hasRenderNode();
    const std::pair<const char*, const char*> options[] = {
        // A machine without a usable GPU (or a virtual X server) still gets a picture, and does
        // not spend the first switch probing for hardware decoders it cannot have.
        {"vo", gpu ? "gpu,x11" : "x11"},
        {"hwdec", gpu ? "auto-safe" : "no"},
        // No sound device is no reason not to show the picture.
        {"ao", "pulse,alsa,null"},
        {"audio-fallback-to-null", "yes"},
        // The exhibition screen is for watching: no keys, no mouse.
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"input-cursor", "no"},
        {"input-terminal", "no"},
        {"cursor-autohide", "always"},
        // The on-screen controller is the control panel of the user-interface mode; without a
        // mouse it would only show on a pointer movement that never comes, so it stays up. Its
        // logo looks the same all year (no hat in December).
        {"osc", "no"},
        {"script-opts", "osc-visibility=always,osc-greenandgrumpy=yes"},
        {"osd-level", "0"},
        {"load-scripts", "no"},
        {"ytdl", "no"},
        {"terminal", "no"},
        {"idle", "yes"},
        {"keep-open", "no"},
        // One video output for the player's whole life: it is probed once, and switching files
        // never waits for a new one; a failed GPU probe must not be repeated (docs/performance.md).
        {"force-window", "yes"},
    };
    auto setOption = [this](const char* name, const char* value) {
        if (const int rc = lib_->setOptionString(mpv_, name, value); rc < 0) {
            logWarning("video", std::string("option ") + name + "=" + value + " refused: " + lib_->errorString(rc));
        }
    };
    for (const auto& [name, value] : options) {
        setOption(name, value);
    }
    for (const auto& [name, value] : kNamedFileOnly) {
        setOption(name, value);
    }
    // What the window set before the core started, the control panel among it, is there from
    // the first frame.
    for (const auto& [name, value] : pendingProperties_) {
        setOption(name.c_str(), value.c_str());
    }
    lib_->setWakeupCallback(mpv_, &MpvPlayer::wakeUp, this);
    if (const int rc = lib_->initialize(mpv_); rc < 0) {
        logError("video",
                 std::string("the media player cannot start: ") + lib_->errorString(rc) + "; no video will be shown");
        lib_->setWakeupCallback(mpv_, nullptr, nullptr);
        lib_->terminateDestroy(mpv_);
        mpv_ = nullptr;
    }
}

void MpvPlayer::wakeUp(void* self)
{
    auto* player = static_cast<MpvPlayer*>(self);
    // One queued drain at a time is enough: it takes every event that is waiting.
    if (!player->drainQueued_.exchange(true)) {
        QMetaObject::invokeMethod(
            player->pump_.get(), [player] { player->drainEvents(); }, Qt::QueuedConnection);
    }
}

void MpvPlayer::setUiMode(const Text& mode)
{
    // "full" is the core's on-screen controller: with no media its idle screen, while a media
    // plays the bar of buttons, time and seek bar along the bottom.
    if (mode == u"full") {
        setProperty("osc", "yes");
    } else if (mode == u"none") {
        setProperty("osc", "no");
    } else {
        logWarning("video", "user-interface mode \"" + toUtf8(mode) + "\" ignored, it must be full or none");
    }
}

void MpvPlayer::setVolume(int volume)
{
    setProperty("volume", std::to_string(std::clamp(volume, 0, 100)).c_str());
}

void MpvPlayer::setUrl(const Text& url)
{
    url_ = url;
    missing_ = false;
    load();
}

void MpvPlayer::play()
{
    if (!active_ && !missing_ && !url_.empty()) {
        load();
    }
    setProperty("pause", "no");
}

void MpvPlayer::stop()
{
    if (!mpv_) {
        return;
    }
    const char* command[] = {"stop", nullptr};
    lib_->command(mpv_, command);
    active_ = false;
    fallbackLocation_.clear();
}

void MpvPlayer::setFullScreen(bool on)
{
    setProperty("fullscreen", on ? "yes" : "no");
}

void MpvPlayer::setPlayCount(std::int32_t count)
{
    if (count < 1) {
        logWarning("video", "play count " + std::to_string(count) + " ignored, it must be 1 or more");
        return;
    }
    // The core counts repetitions after the first play; a change applies to the media playing.
    const std::string loops = count >= kPlayCountForever ? "inf" : count == 1 ? "no" : std::to_string(count - 1);
    setProperty("loop-file", loops.c_str());
}

void MpvPlayer::setStretchToFit(bool on)
{
    setProperty("keepaspect", on ? "no" : "yes");
}

bool MpvPlayer::load()
{
    if (url_.empty()) {
        return false;
    }
    const std::string location = mediaLocation(mediaDirectory_, url_);
    if (!isUrl(url_)) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(location, error)) {
            // Whatever is on screen stays there; the installer finds the reason here.
            logError("video", "\"" + toUtf8(url_) + "\" not found (looked for " + location + ")");
            missing_ = true;
            return false;
        }
    }
    fallbackLocation_ = state_ == play_state::kPlaying ? playingLocation_ : std::string();
    return loadLocation(location);
}

bool MpvPlayer::loadLocation(const std::string& location)
{
    if (!available()) {
        return false;
    }
    const char* command[] = {"loadfile", location.c_str(), "replace", nullptr};
    mpv_node result;
    if (const int rc = lib_->commandRet(mpv_, command, &result); rc < 0) {
        logError("video", "cannot play \"" + location + "\": " + lib_->errorString(rc));
        return false;
    }
    current_ = {-1, location};
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i) {
            if (std::strcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
                result.u.list->values[i].format == MPV_FORMAT_INT64) {
                current_.entry = result.u.list->values[i].u.int64;
            }
        }
    }
    lib_->freeNodeContents(&result);
    active_ = true;
    return true;
}

void MpvPlayer::drainEvents()
{
    drainQueued_ = false;
    while (mpv_) {
        const mpv_event* event = lib_->waitEvent(mpv_, 0);
        switch (event->event_id) {
        case MPV_EVENT_NONE: return;
        case MPV_EVENT_START_FILE:
            startedEntry_ = static_cast<const mpv_event_start_file*>(event->data)->playlist_entry_id;
            break;
        case MPV_EVENT_FILE_LOADED:
            if (startedEntry_ == current_.entry) {
                playingLocation_ = current_.location;
                setState(play_state::kPlaying);
            }
            break;
        case MPV_EVENT_END_FILE: {
            const auto* end = static_cast<const mpv_event_end_file*>(event->data);
            handleEndFile(end->playlist_entry_id, end->reason, end->error);
            break;
        }
        default: break;
        }
    }
}

void MpvPlayer::handleEndFile(std::int64_t entry, int reason, int error)
{
    // Files replaced by a newer request end too; only the current one counts.
    if (entry != current_.entry) {
        return;
    }
    switch (reason) {
    case MPV_END_FILE_REASON_EOF:
        active_ = false;
        // With a finite play count the core reports the end only after the last repetition.
        setState(play_state::kMediaEnded);
        setState(play_state::kStopped);
        break;
    case MPV_END_FILE_REASON_STOP:
        active_ = false;
        setState(play_state::kStopped);
        break;
    case MPV_END_FILE_REASON_ERROR: {
        active_ = false;
        logError("video", "cannot play \"" + current_.location + "\": " + lib_->errorString(error));
        setState(play_state::kStopped);
        const std::string fallback = std::exchange(fallbackLocation_, std::string());
        if (!fallback.empty() && fallback != current_.location) {
            logInfo("video", "going on with \"" + fallback + "\"");
            loadLocation(fallback);
        }
        break;
    }
    default: break;
    }
}

void MpvPlayer::setState(std::int32_t state)
{
    if (state == state_) {
        return;
    }
    state_ = state;
    notifyPlayState(state);
}

void MpvPlayer::setProperty(const char* name, const char* value)
{
    if (!mpv_) {
        // Kept for the core, which starts with the first media request.
        if (!coreTried_) {
            std::erase_if(pendingProperties_, [name](const auto& p) { return p.first == name; });
            pendingProperties_.emplace_back(name, value);
        }
        return;
    }
    if (const int rc = lib_->setPropertyString(mpv_, name, value); rc < 0) {
        logWarning("video", std::string(name) + "=" + value + " refused: " + lib_->errorString(rc));
    }
}

} // namespace ride
