// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's side of the videos: the two choice buttons, the relay that turns a choice in
// Text3 into a file name in Text4 for the player, and the play-time count that falls back to
// the nobody-present video.
#include "base/text.h"

#include <filesystem>
#include <functional>

namespace ride {

class Form1;

class VideoChoice {
public:
    // `requestMedia` receives every change of Text4, the empty text included.
    VideoChoice(Form1& form, std::filesystem::path settingsFile, std::function<void(const Text&)> requestMedia);
    VideoChoice(const VideoChoice&) = delete;
    VideoChoice& operator=(const VideoChoice&) = delete;

private:
    void relay();
    void countPlayTime();

    Form1& form_;
    std::filesystem::path settingsFile_;
    std::function<void(const Text&)> requestMedia_;
};

} // namespace ride
