// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A keystroke backend that types nothing and remembers the actions it was given, for tests and
// for running without a display.
#include "input/keystrokes.h"

#include <optional>
#include <string>
#include <vector>

namespace ride {

class RecordingKeystrokes : public Keystrokes {
public:
    // Records the actions and succeeds, or fails with the reason set by refuseWith().
    KeySendResult send(const std::vector<KeyAction>& actions) override;

    // The actions of every send, in order, refused ones included.
    const std::vector<std::vector<KeyAction>>& calls() const { return calls_; }
    // Makes every later send fail with `reason`, as a real backend does without a display;
    // nullopt makes sends succeed again.
    void refuseWith(std::optional<std::string> reason);
    // Forgets the recorded calls.
    void clear();

private:
    std::vector<std::vector<KeyAction>> calls_;
    std::optional<std::string> refusal_;
};

} // namespace ride
