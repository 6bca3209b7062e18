// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the controller sends, as it reaches the console: which line it came from, the bytes as they
// came off that line, and the text they decode to. The bytes are kept beside the text so that
// whoever looks at an arrival (a capture of the traffic) sees split characters, invalid bytes and
// garbage exactly as the line carried them.
#include "base/text.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace ride {

// The serial line, or TCP channel n of the network window.
struct LineSource {
    enum class Kind { Serial, Channel };

    Kind kind = Kind::Serial;
    std::size_t channel = 0;

    static LineSource serial() { return {}; }
    static LineSource tcpChannel(std::size_t index) { return {Kind::Channel, index}; }

    // "serial", or "tcp" and the channel index, as log lines and the health export name sources.
    std::string name() const { return kind == Kind::Serial ? std::string("serial") : "tcp" + std::to_string(channel); }

    bool operator==(const LineSource&) const = default;
};

// What one read took off a line. The text is the bytes decoded from GBK; a character split
// between two reads is held back until its second byte comes, so bytes may come without text.
struct Received {
    std::string bytes;
    Text text;

    bool empty() const { return bytes.empty(); }
};

// One arrival at the console's receive box.
struct Arrival {
    LineSource source;
    std::string_view bytes;
    TextView text;
};

} // namespace ride
