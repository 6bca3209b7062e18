// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/recording_keystrokes.h"

#include <utility>

namespace ride {

KeySendResult RecordingKeystrokes::send(const std::vector<KeyAction>& actions)
{
    calls_.push_back(actions);
    if (refusal_) {
        return KeySendResult::refused(*refusal_);
    }
    return KeySendResult::done();
}

void RecordingKeystrokes::refuseWith(std::optional<std::string> reason)
{
    refusal_ = std::move(reason);
}

void RecordingKeystrokes::clear()
{
    calls_.clear();
}

} // namespace ride
