// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Standard error of the test process sent to a file for a while, so that a test can read the
// timestamped lines the console writes there (lost devices, dropped writes, rejected keys).
#include "support/file_bytes.h"

#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace ride::testing {

class StderrCapture {
public:
    explicit StderrCapture(std::string file) : file_(std::move(file))
    {
        const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        saved_ = ::dup(STDERR_FILENO);
        if (fd < 0 || saved_ < 0 || ::dup2(fd, STDERR_FILENO) < 0) {
            throw std::runtime_error("cannot capture standard error");
        }
        ::close(fd);
    }
    ~StderrCapture() { restore(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    void restore()
    {
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
            saved_ = -1;
        }
    }

    // Everything written so far.
    std::string text() const { return readBytes(file_); }

private:
    std::string file_;
    int saved_ = -1;
};

} // namespace ride::testing
