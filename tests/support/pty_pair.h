// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A pseudo-terminal pair made by socat: bytes written to one end arrive at the other, as on a
// serial cable. Both ends are reachable through links in a directory of the test's choice.
#include "support/child_process.h"

#include <filesystem>
#include <memory>
#include <string_view>

namespace ride::testing {

class PtyPair {
public:
    explicit PtyPair(const std::filesystem::path& directory);
    ~PtyPair();

    // The end the program under test opens, and the end the test writes to.
    const std::filesystem::path& deviceEnd() const { return device_; }
    const std::filesystem::path& controllerEnd() const { return controller_; }

    void write(std::string_view bytes);
    // Ends socat: both links vanish and the program's end sees a hang-up.
    void unplug();
    // Starts socat again with the same links.
    void plugIn();

private:
    std::filesystem::path device_;
    std::filesystem::path controller_;
    std::unique_ptr<ChildProcess> socat_;
    int writeFd_ = -1;
};

} // namespace ride::testing
