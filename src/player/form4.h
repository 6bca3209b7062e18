// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The video player window for the exhibition screen: placed from the settings when it loads,
// its player surface stretched over the whole window and its title centred on every resize.
#include "ui/form_window.h"
#include "ui/label.h"
#include "ui/text_box.h"
#include "ui/timer.h"

#include <filesystem>
#include <functional>
#include <memory>

namespace ride {

class AnimationPlayer;
class MediaPlayer;
class PlaybackControl;

class Form4 {
public:
    explicit Form4(std::filesystem::path settingsFile);
    ~Form4();
    Form4(const Form4&) = delete;
    Form4& operator=(const Form4&) = delete;

    // Places the window from "视频1位置及大小" and lays it out. Runs once.
    void load();
    bool loaded() const { return loaded_; }

    // Player over the whole window, title centred; run on every change of the window's size.
    void layout();

    // Puts the players in place and gives the media player the window's settings at creation.
    // Requests written into Text1 before this are not played.
    void attachPlayers(MediaPlayer& media, AnimationPlayer& animation);
    // The end of the media or the animation: lets the console ask for the same file again.
    void PlayStop();
    void setPlayStopAction(std::function<void()> action) { playStopAction_ = std::move(action); }
    // The ending of the last request; empty before the first one.
    const Text& currentExtension() const;
    // Whether a video or an animation is playing; false before the players are attached.
    bool videoPlaying() const;

    // The player is the window's child: the window places it and shows or hides it.
    void setPlayerLeft(double twips);
    void setPlayerVisible(bool visible);

    FormWindow window{"Form4", u"Form4", {0, 0, 7905, 5925}};
    Label Label1{"Label1", u"展厅专用视频播放器"};
    TextBox Text1{"Text1"};
    TextBox Text2{"Text2"};
    TextBox Text3{"Text3", u"Text3"};
    Timer Timer1{"Timer1", 100};

    // Rectangles in twips, relative to the window.
    TwipsRect playerRect{0, 0, 7905, 5925};
    TwipsRect labelRect{240, 960, 3915, 435};
    bool playerVisible = true;
    // For the view: the player or label rectangle changed.
    Notifier layoutChanged;

private:
    std::filesystem::path settingsFile_;
    bool loaded_ = false;
    std::unique_ptr<PlaybackControl> playback_;
    std::function<void()> playStopAction_;
};

} // namespace ride
