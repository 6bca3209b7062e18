// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Qt window of the video player: a frameless top-level window whose player surface is a
// native child window (the media player draws into it by its window id). It never takes the
// keyboard focus.
#include "media/video_surface.h"

#include <QWidget>

class QLabel;

namespace ride {

class Form4;

class Form4View : public QWidget, public VideoSurface {
public:
    explicit Form4View(Form4& model);
    // The native window the media player renders into.
    QWidget* playerSurface() const { return surface_; }
    std::int64_t nativeWindow() override { return static_cast<std::int64_t>(surface_->winId()); }

private:
    void applyLayout();

    Form4& model_;
    QWidget* surface_;
    QLabel* title_;
};

} // namespace ride
