// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/pty_pair.h"

#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace ride::testing {

PtyPair::PtyPair(const std::filesystem::path& directory)
    : device_(directory / "bike-device"), controller_(directory / "bike-controller")
{
    plugIn();
}

PtyPair::~PtyPair()
{
    unplug();
}

void PtyPair::plugIn()
{
    socat_ = std::make_unique<ChildProcess>(std::vector<std::string>{"socat", "pty,raw,echo=0,link=" + device_.string(),
                                                                     "pty,raw,echo=0,link=" + controller_.string()});
    const bool ready =
        waitUntil([this] { return std::filesystem::exists(device_) && std::filesystem::exists(controller_); },
                  std::chrono::seconds(5));
    if (!ready) {
        throw std::runtime_error("socat did not make its pseudo-terminals");
    }
    writeFd_ = open(controller_.c_str(), O_WRONLY | O_NOCTTY);
    if (writeFd_ < 0) {
        throw std::runtime_error("cannot open the controller end");
    }
}

void PtyPair::unplug()
{
    if (writeFd_ >= 0) {
        close(writeFd_);
        writeFd_ = -1;
    }
    if (socat_) {
        socat_->stop();
        socat_.reset();
    }
    waitUntil([this] { return !std::filesystem::exists(device_); }, std::chrono::seconds(2));
}

void PtyPair::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(writeFd_, bytes.data(), bytes.size());
        if (n <= 0) {
            throw std::runtime_error("write to the controller end failed");
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

} // namespace ride::testing
