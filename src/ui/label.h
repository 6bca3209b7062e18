// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A label of the model: a caption (with a change notification, raised only by a real change),
// a Tag text and a text colour.
#include "base/notifier.h"
#include "base/text.h"

#include <cstdint>
#include <string>

namespace ride {

// Colours as 0x00BBGGRR; values with the top bit set name a system colour.
using Color = std::uint32_t;
constexpr Color rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return Color(r) | (Color(g) << 8) | (Color(b) << 16);
}
constexpr Color kButtonFaceColor = 0x8000000F;
constexpr Color kWindowTextColor = 0x80000012;

class Label {
public:
    explicit Label(std::string name, Text caption = {}) : name_(std::move(name)), caption_(std::move(caption)) {}
    Label(const Label&) = delete;
    Label& operator=(const Label&) = delete;

    const std::string& name() const { return name_; }

    const Text& caption() const { return caption_; }
    void setCaption(Text caption)
    {
        if (caption == caption_) {
            return;
        }
        caption_ = std::move(caption);
        viewUpdate_.notify();
        changed_.notify();
    }

    const Text& tag() const { return tag_; }
    void setTag(Text tag) { tag_ = std::move(tag); }

    Color foreColor() const { return foreColor_; }
    void setForeColor(Color color)
    {
        if (color == foreColor_) {
            return;
        }
        foreColor_ = color;
        viewUpdate_.notify();
    }

    void onChange(Notifier::Callback handler) { changed_.add(std::move(handler)); }
    void onViewUpdate(Notifier::Callback update) { viewUpdate_.add(std::move(update)); }

private:
    std::string name_;
    Text caption_;
    Text tag_;
    Color foreColor_ = kWindowTextColor;
    Notifier viewUpdate_;
    Notifier changed_;
};

} // namespace ride
