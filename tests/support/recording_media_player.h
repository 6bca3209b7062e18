// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A media player for tests of the player window's logic: remembers every call in order, as
// "name value" lines, and lets the test raise a play state as the real player's events would.
#include "media/media_player.h"

#include <string>
#include <vector>

namespace ride::testing {

class RecordingMediaPlayer : public MediaPlayer {
public:
    void setUiMode(const Text& mode) override { calls.push_back("uiMode " + toUtf8(mode)); }
    void setVolume(int volume) override { calls.push_back("volume " + std::to_string(volume)); }
    void setUrl(const Text& url) override { calls.push_back("URL " + toUtf8(url)); }
    void play() override { calls.push_back("play"); }
    void stop() override { calls.push_back("stop"); }
    void setFullScreen(bool on) override { calls.push_back(std::string("fullScreen ") + (on ? "on" : "off")); }
    void setPlayCount(std::int32_t count) override { calls.push_back("playCount " + std::to_string(count)); }
    void setStretchToFit(bool on) override { calls.push_back(std::string("stretchToFit ") + (on ? "on" : "off")); }

    void raiseState(std::int32_t state) const { notifyPlayState(state); }

    std::vector<std::string> calls;
};

} // namespace ride::testing
