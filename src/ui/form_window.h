// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A top-level window of the model: caption, geometry in twips (1/1440 inch) and visibility.
// The view turns twips into pixels at 15 twips a pixel and reports the operator's resizing back.
#include "base/notifier.h"
#include "base/text.h"

#include <string>

namespace ride {

constexpr double kTwipsPerPixel = 15.0;

struct TwipsRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    bool operator==(const TwipsRect&) const = default;
};

class FormWindow {
public:
    FormWindow(std::string name, Text caption, TwipsRect geometry)
        : name_(std::move(name)), caption_(std::move(caption)), geometry_(geometry)
    {
    }
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    const std::string& name() const { return name_; }
    const Text& caption() const { return caption_; }
    const TwipsRect& geometry() const { return geometry_; }
    bool visible() const { return visible_; }

    void setLeft(double twips) { setGeometry({twips, geometry_.top, geometry_.width, geometry_.height}); }
    void setTop(double twips) { setGeometry({geometry_.left, twips, geometry_.width, geometry_.height}); }
    void setWidth(double twips) { setGeometry({geometry_.left, geometry_.top, twips, geometry_.height}); }
    void setHeight(double twips) { setGeometry({geometry_.left, geometry_.top, geometry_.width, twips}); }

    void setGeometry(TwipsRect geometry)
    {
        if (geometry == geometry_) {
            return;
        }
        const bool resized = geometry.width != geometry_.width || geometry.height != geometry_.height;
        geometry_ = geometry;
        viewUpdate_.notify();
        if (resized) {
            resized_.notify();
        }
    }

    // The view reports a size the window manager or the operator gave the window.
    void reportGeometry(TwipsRect geometry) { setGeometry(geometry); }

    void show() { setVisible(true); }
    void hide() { setVisible(false); }
    void setVisible(bool visible)
    {
        if (visible == visible_) {
            return;
        }
        visible_ = visible;
        viewUpdate_.notify();
    }

    void onResize(Notifier::Callback handler) { resized_.add(std::move(handler)); }
    void onViewUpdate(Notifier::Callback update) { viewUpdate_.add(std::move(update)); }

private:
    std::string name_;
    Text caption_;
    TwipsRect geometry_;
    bool visible_ = false;
    Notifier viewUpdate_;
    Notifier resized_;
};

} // namespace ride
