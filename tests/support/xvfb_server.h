// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An Xvfb server of the test's own on a free display number (never the user's display).
#include "support/child_process.h"

#include <memory>
#include <string>

namespace ride::testing {

class XvfbServer {
public:
    // `withoutExtension` names an extension the server leaves out, as a bare X server may.
    explicit XvfbServer(int width = 1280, int height = 1024, const std::string& withoutExtension = {});
    ~XvfbServer();

    // Whether the server came up; when it did not, display() is empty and error() says why.
    bool running() const { return !display_.empty(); }
    const std::string& error() const { return error_; }
    // ":N", for DISPLAY.
    const std::string& display() const { return display_; }

private:
    std::unique_ptr<ChildProcess> process_;
    std::string display_;
    std::string error_;
};

} // namespace ride::testing
