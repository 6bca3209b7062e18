#pragma once
// The video player window for the exhibition screen: placed from the settings when it loads,
// its player surface stretched over the whole window and its title centred on every resize.
#include "platform/form_window.h"
#include "platform/label.h"
#include "platform/text_box.h"
#include "platform/timer.h"

#include <filesystem>

namespace ride {

class Form4 {
public:
    explicit Form4(std::filesystem::path settingsFile);
    Form4(const Form4&) = delete;
    Form4& operator=(const Form4&) = delete;

    // Places the window from "视频1位置及大小" and lays it out. Runs once.
    void load();
    bool loaded() const { return loaded_; }

    // Player over the whole window, title centred; run on every change of the window's size.
    void layout();

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
};

} // namespace ride
