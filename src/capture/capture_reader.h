// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads a capture file line by line, so that one of many megabytes is played back without being
// held whole. A file that was cut short (a full disk, a console killed mid-write, a copy taken
// while it was written) or damaged is read up to the first line that cannot be read, and says
// which line that was and why.
#include "capture/capture_format.h"

#include <cstddef>
#include <istream>
#include <optional>
#include <string>

namespace ride {

struct CaptureStop {
    std::size_t line = 0; // counted from 1
    std::string reason;
};

class CaptureReader {
public:
    explicit CaptureReader(std::istream& in) : in_(in) {}

    // Reads the first line; false, with the reason in stopped(), when it is not a capture's header.
    bool readHeader();
    const std::string& header() const { return header_; }

    // The next entry; none at the end of the file or at the first line that cannot be read.
    std::optional<CaptureEntry> next();

    // Where reading stopped before the end, and why; none while the file reads whole.
    const std::optional<CaptureStop>& stopped() const { return stop_; }

private:
    // The next line without its line end; false at the end, or at a last line without one.
    bool nextLine(std::string& line);

    std::istream& in_;
    std::size_t line_ = 0;
    std::string header_;
    std::optional<CaptureStop> stop_;
};

} // namespace ride
