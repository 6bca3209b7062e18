// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/key_forwarding.h"

#include "base/log.h"
#include "input/key_notation.h"

namespace ride {

KeyForwarding::KeyForwarding(std::array<std::unique_ptr<TextBox>, 12>& boxes, Keystrokes& keys,
                             TargetWindowGuard* guard)
    : boxes_(boxes), keys_(keys), guard_(guard)
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
    const Text& keys = keyString.text();
    if (keys.empty()) {
        return;
    }
    const KeyParseResult parsed = parseKeys(keys);
    if (!parsed.ok()) {
        logWarning("keys", rejectedKeysLine(keyString.name(), keys, parsed.error->message));
        ++refused_;
        return;
    }
    // Asked once per key string, after parsing, so that a string that cannot be typed anyway
    // costs the display nothing.
    if (guard_ && !guard_->allowsKeys(keyString.name(), keys.size())) {
        ++refused_;
        return;
    }
    const KeySendResult sent = keys_.send(parsed.actions);
    if (!sent.typed()) {
        logWarning("keys", rejectedKeysLine(keyString.name(), keys, *sent.failure));
        ++refused_;
    } else {
        ++typed_;
    }
}

} // namespace ride
