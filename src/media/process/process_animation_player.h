#pragma once
// Plays an animation by running an external program with the file as its last argument; the
// animation is playing for as long as that program runs. No shell is involved.
#include "media/animation_player.h"

#include <filesystem>
#include <memory>

class QProcess;

namespace ride {

class ProcessAnimationPlayer final : public AnimationPlayer {
public:
    // Relative file names and program paths are taken from `workingDirectory`.
    explicit ProcessAnimationPlayer(std::filesystem::path workingDirectory);
    ~ProcessAnimationPlayer() override;
    ProcessAnimationPlayer(const ProcessAnimationPlayer&) = delete;
    ProcessAnimationPlayer& operator=(const ProcessAnimationPlayer&) = delete;

    void start(const Text& command, const Text& file) override;
    void stop() override;
    bool playing() const override;

private:
    std::filesystem::path workingDirectory_;
    std::unique_ptr<QProcess> process_;
};

} // namespace ride
