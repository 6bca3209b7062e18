// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A text box of the model: assigning a different text stores it and runs the change handling
// at once, nested inside the assignment; assigning the text it already holds raises nothing.
#include "base/notifier.h"
#include "base/text.h"

#include <string>

namespace ride {

class TextBox {
public:
    explicit TextBox(std::string name, Text initial = {}) : name_(std::move(name)), text_(std::move(initial)) {}
    TextBox(const TextBox&) = delete;
    TextBox& operator=(const TextBox&) = delete;

    const std::string& name() const { return name_; }
    const Text& text() const { return text_; }

    void setText(Text text)
    {
        if (text == text_) {
            return;
        }
        text_ = std::move(text);
        viewUpdate_.notify();
        changed_.notify();
    }

    // The box's own change handling, run on every change of its text.
    void onChange(Notifier::Callback handler) { changed_.add(std::move(handler)); }
    // For the view that shows the box: runs before the change handling.
    void onViewUpdate(Notifier::Callback update) { viewUpdate_.add(std::move(update)); }

protected:
    // Stores and shows a text without running the change handling, for a text that was neither
    // typed nor assigned (an entry chosen from a drop-down list).
    void showTextQuietly(Text text)
    {
        if (text == text_) {
            return;
        }
        text_ = std::move(text);
        viewUpdate_.notify();
    }

private:
    std::string name_;
    Text text_;
    Notifier viewUpdate_;
    Notifier changed_;
};

} // namespace ride
