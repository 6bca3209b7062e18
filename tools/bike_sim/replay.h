// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A capture of ride-console played back: the bytes one source brought to the console, chunk by
// chunk, each with its time counted from that source's first chunk. The file is read as it is
// played, so a capture of many megabytes is not held whole; one cut short or damaged plays up to
// the line that cannot be read.
#include "capture/capture_reader.h"

#include <fstream>
#include <memory>
#include <optional>
#include <string>

namespace ride::sim {

struct ReplayChunk {
    double seconds = 0; // after the source's first chunk
    std::string bytes;
};

class CaptureReplay {
public:
    // Opens `file` and finds the source's first chunk. Null, with the reason in `error`, when the
    // file cannot be read, is not a capture, or holds nothing from that source before its end or
    // its damage.
    static std::unique_ptr<CaptureReplay> open(const std::string& file, const LineSource& source, std::string& error);

    // The next chunk; none once the source's chunks are all given or the file cannot be read on.
    std::optional<ReplayChunk> next();
    // Where the file could not be read on, and why; none while it reads whole.
    const std::optional<CaptureStop>& stopped() const { return reader_.stopped(); }

    // "line 7 of cap.txt: the file ends inside this line: it was cut short".
    std::string describeStop() const;

private:
    CaptureReplay(const std::string& file, const LineSource& source);
    // The next incoming entry of the source, with its time.
    std::optional<CaptureEntry> nextOfSource();

    std::string file_;
    LineSource source_;
    std::ifstream in_;
    CaptureReader reader_;
    std::optional<std::int64_t> firstMicroseconds_;
    std::optional<ReplayChunk> ahead_;
};

// "serial" or "channel:N", as --source names it.
std::string sourceName(const LineSource& source);

} // namespace ride::sim
