// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial line to the console: a pseudo-terminal pair of our own, whose other end the
// console opens like a serial port, or a real serial device.
#include "bike_sim/outbox.h"

#include <memory>
#include <string>

namespace ride::sim {

class SerialEnd {
public:
    // A new pseudo-terminal pair; `link`, when given, becomes a symbolic link to the end the
    // console opens. Null (with `error` set) when it cannot be made.
    static std::unique_ptr<SerialEnd> openPseudoTerminal(const std::string& link, std::string& error);
    // A real serial device in raw mode, 8N1, at `baud`.
    static std::unique_ptr<SerialEnd> openDevice(const std::string& path, int baud, std::string& error);

    ~SerialEnd();
    SerialEnd(const SerialEnd&) = delete;
    SerialEnd& operator=(const SerialEnd&) = delete;

    // The path the console opens: the pseudo-terminal's, or the device's.
    const std::string& path() const { return path_; }
    const std::string& link() const { return link_; }
    bool isPseudoTerminal() const { return pseudoTerminal_; }
    int fd() const { return fd_; }

    // Whether the console holds the other end open. A device cannot tell: it always counts
    // as there.
    bool consoleThere() const;

    Outbox& outbox() { return outbox_; }

private:
    SerialEnd(int fd, std::string path, bool pseudoTerminal)
        : fd_(fd), path_(std::move(path)), pseudoTerminal_(pseudoTerminal)
    {
    }

    int fd_;
    std::string path_;
    std::string link_;
    bool pseudoTerminal_;
    Outbox outbox_;
};

} // namespace ride::sim
