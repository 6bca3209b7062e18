// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An animation player for tests: remembers what it was asked to play and plays for as long as
// the test says.
#include "media/animation_player.h"

#include <string>
#include <vector>

namespace ride::testing {

class FakeAnimationPlayer : public AnimationPlayer {
public:
    void start(const Text& command, const Text& file) override
    {
        calls.push_back("start " + toUtf8(command) + " " + toUtf8(file));
        running = !command.empty();
    }
    void stop() override
    {
        calls.push_back("stop");
        running = false;
    }
    bool playing() const override { return running; }

    bool running = false;
    std::vector<std::string> calls;
};

} // namespace ride::testing
