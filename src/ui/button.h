// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A command button: a caption and a click.
#include "base/notifier.h"
#include "base/text.h"

#include <string>

namespace ride {

class Button {
public:
    Button(std::string name, Text caption) : name_(std::move(name)), caption_(std::move(caption)) {}
    Button(const Button&) = delete;
    Button& operator=(const Button&) = delete;

    const std::string& name() const { return name_; }
    const Text& caption() const { return caption_; }
    void onClick(Notifier::Callback handler) { clicked_.add(std::move(handler)); }
    void click() const { clicked_.notify(); }

private:
    std::string name_;
    Text caption_;
    Notifier clicked_;
};

} // namespace ride
