// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Types a bike key's keystroke string each time its flag box changes to exactly "A". The string
// is parsed here, once; a string that does not parse, and a backend's refusal, become one log
// line naming the key string box.
#include "console/target_window_guard.h"
#include "input/keystrokes.h"
#include "ui/text_box.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ride {

class KeyForwarding {
public:
    // Flag box i (0..5) pairs with key string box i + 6. With a guard, a string is typed only
    // while the guard allows it.
    KeyForwarding(std::array<std::unique_ptr<TextBox>, 12>& boxes, Keystrokes& keys,
                  TargetWindowGuard* guard = nullptr);

    // Key strings handed to the backend and typed, and those not typed (not parsed, or refused).
    std::uint64_t stringsTyped() const { return typed_; }
    std::uint64_t stringsRefused() const { return refused_; }

private:
    void forward(std::size_t index);

    std::array<std::unique_ptr<TextBox>, 12>& boxes_;
    Keystrokes& keys_;
    TargetWindowGuard* guard_;
    std::uint64_t typed_ = 0;
    std::uint64_t refused_ = 0;
};

} // namespace ride
