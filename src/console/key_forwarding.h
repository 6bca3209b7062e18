#pragma once
// Types a bike key's keystroke string each time its flag box changes to exactly "A". The string
// is parsed here, once; a string that does not parse, and a backend's refusal, become one log
// line naming the key string box.
#include "input/keystrokes.h"
#include "ui/text_box.h"

#include <array>
#include <memory>

namespace ride {

class KeyForwarding {
public:
    // Flag box i (0..5) pairs with key string box i + 6.
    KeyForwarding(std::array<std::unique_ptr<TextBox>, 12>& boxes, Keystrokes& keys);

private:
    void forward(std::size_t index);

    std::array<std::unique_ptr<TextBox>, 12>& boxes_;
    Keystrokes& keys_;
};

} // namespace ride
