#pragma once
// An Xvfb server of the test's own on a free display number (never the user's display).
#include "support/child_process.h"

#include <memory>
#include <string>

namespace ride::testing {

class XvfbServer {
public:
    explicit XvfbServer(int width = 1280, int height = 1024);
    ~XvfbServer();
    // ":N", for DISPLAY.
    const std::string& display() const { return display_; }

private:
    std::unique_ptr<ChildProcess> process_;
    std::string display_;
};

} // namespace ride::testing
