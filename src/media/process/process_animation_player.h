// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Plays an animation by running an external program with the file as its last argument; the
// animation is playing for as long as that program runs. No shell is involved. Stopping it, or
// starting another, returns at once: the old program is ended in the background.
#include "media/animation_player.h"
#include "media/process/stopping_programs.h"

#include <filesystem>
#include <memory>
#include <string>

class QProcess;

namespace ride {

class ProcessAnimationPlayer final : public AnimationPlayer {
public:
    // Relative file names and program paths are taken from `workingDirectory`.
    explicit ProcessAnimationPlayer(std::filesystem::path workingDirectory);
    // Waits at most the grace period for a program that ignores SIGTERM, then kills it.
    ~ProcessAnimationPlayer() override;
    ProcessAnimationPlayer(const ProcessAnimationPlayer&) = delete;
    ProcessAnimationPlayer& operator=(const ProcessAnimationPlayer&) = delete;

    void start(const Text& command, const Text& file) override;
    void stop() override;
    // Only the program started last counts: one that was stopped and is still ending does not.
    bool playing() const override;

private:
    std::filesystem::path workingDirectory_;
    // Declared before the current program: destroyed after it has been handed over.
    StoppingPrograms stopping_;
    std::unique_ptr<QProcess> process_;
    std::string description_;
};

} // namespace ride
