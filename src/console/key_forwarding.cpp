#include "console/key_forwarding.h"

namespace ride {

KeyForwarding::KeyForwarding(std::array<std::unique_ptr<TextBox>, 12>& boxes, Keystrokes& keys)
    : boxes_(boxes), keys_(keys)
{
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        boxes_[i]->onChange([this, i] { forward(i); });
    }
}

void KeyForwarding::forward(std::size_t index)
{
    if (index >= 6) {
        return; // a key string box changed: nothing to type
    }
    if (boxes_[index]->text() != u"A") {
        return;
    }
    const TextBox& keyString = *boxes_[index + 6];
    if (!keyString.text().empty()) {
        keys_.send(keyString.name(), keyString.text());
    }
}

} // namespace ride
