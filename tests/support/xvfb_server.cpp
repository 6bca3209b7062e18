// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/xvfb_server.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace ride::testing {

XvfbServer::XvfbServer(int width, int height, const std::string& withoutExtension)
{
    int fds[2];
    if (pipe(fds) != 0) {
        error_ = "pipe failed";
        return;
    }
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    // -displayfd lets the server pick a free number and tell it once it accepts clients.
    std::vector<std::string> arguments{
        "Xvfb",      "-displayfd", std::to_string(fds[1]),
        "-screen",   "0",          std::to_string(width) + "x" + std::to_string(height) + "x24",
        "-nolisten", "tcp",        "-noreset"};
    if (!withoutExtension.empty()) {
        arguments.insert(arguments.end(), {"-extension", withoutExtension});
    }
    process_ = std::make_unique<ChildProcess>(arguments);
    close(fds[1]);
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (char c = 0; c != '\n' && std::chrono::steady_clock::now() < deadline;) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) < 0 && errno != EINTR) {
            break;
        }
        if (!(p.revents & (POLLIN | POLLHUP))) {
            continue;
        }
        if (read(fds[0], &c, 1) != 1) {
            break;
        }
        if (c != '\n') {
            number += c;
        } else {
            display_ = ":" + number;
        }
    }
    close(fds[0]);
    if (display_.empty()) {
        error_ = "Xvfb did not report a display number (is it installed?)";
        std::fprintf(stderr, "%s\n", error_.c_str());
        process_.reset();
    }
}

XvfbServer::~XvfbServer() = default;

} // namespace ride::testing
