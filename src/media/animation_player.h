// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whatever plays an animation file (".SWF") for the player window. The window only starts and
// stops it and asks whether it is still playing.
// A program that cannot be started is logged by the backend and simply is not playing.
#include "base/text.h"

namespace ride {

class AnimationPlayer {
public:
    virtual ~AnimationPlayer() = default;

    // Plays `file` with `command` (a program and its arguments; the file goes last). An empty
    // command plays nothing. Anything still playing is stopped first.
    virtual void start(const Text& command, const Text& file) = 0;
    virtual void stop() = 0;
    virtual bool playing() const = 0;
};

} // namespace ride
