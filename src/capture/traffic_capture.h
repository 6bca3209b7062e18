// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The capture of a site's traffic: every arrival from the controller and every send of the
// console, as a line of capture_format, into a file that never grows past its limit and rotates to
// one ".1" file there, so that a site keeps the last two.
//
// A line only goes into a bounded buffer in memory when it happens; the disk is written by
// flush(), which the front door runs once a second, so the records' road never waits on the disk.
// A capture that cannot be written (a full disk, a missing or read-only directory, a path that can
// never be made) logs one warning naming the file and the reason, and stops: what comes after is
// counted as dropped, and the console goes on as without a capture.
#include "base/record_tally.h"
#include "capture/capture_disk.h"
#include "capture/capture_format.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ride {

using WallClock = std::function<std::chrono::system_clock::time_point()>;

struct CaptureConfig {
    std::filesystem::path file;
    // The most bytes either file may hold, the header included.
    std::uint64_t limitBytes = 0;
    // The most bytes held in memory between two flushes; lines beyond it are dropped.
    std::size_t bufferBytes = 1 << 20;
    // When the console started: the first field of a line counts from here.
    MonotonicTime started;
    MonotonicClock clock = steadyNow;
    WallClock wallClock = [] { return std::chrono::system_clock::now(); };
};

class TrafficCapture {
public:
    static constexpr std::chrono::milliseconds kFlushPeriod{1000};

    // `header` gives the header's fields (its start time is the capture's own) for each new file.
    TrafficCapture(CaptureDisk& disk, CaptureConfig config, std::function<CaptureHeader()> header);
    // Writes what is still buffered.
    ~TrafficCapture();
    TrafficCapture(const TrafficCapture&) = delete;
    TrafficCapture& operator=(const TrafficCapture&) = delete;

    // Moves a file left by an earlier run to ".1", creates the file and writes its header. False,
    // after the one warning, when that cannot be done; the capture has stopped then.
    bool open();

    // One arrival (In) or send (Out) on `source`; `address` is the channel's address. Never
    // touches the disk.
    void record(const LineSource& source, std::string_view address, CaptureDirection direction, std::string_view bytes);

    // Writes the buffered lines, rotating where a line would have taken the file past its limit.
    void flush();

    const std::filesystem::path& file() const { return config_.file; }
    bool stopped() const { return stopped_; }
    // Bytes of traffic written to the capture, by direction, and bytes of traffic that reached
    // the capture but are not in it (the buffer full, a line larger than the limit, a failed
    // write, everything after the capture stopped).
    std::uint64_t bytesCaptured(CaptureDirection direction) const;
    std::uint64_t bytesDropped() const { return dropped_; }

private:
    // The lines for one file; `startsFile` when the file is rotated before them (its header is
    // their first line then).
    struct Segment {
        bool startsFile = false;
        std::string text;
        std::uint64_t in = 0;
        std::uint64_t out = 0;
    };

    std::string headerLine();
    const std::string& wallClockText();
    void stop(std::string_view what, const std::string& reason);

    CaptureDisk& disk_;
    CaptureConfig config_;
    std::function<CaptureHeader()> header_;
    std::filesystem::path rotated_;
    std::string startedText_;

    std::deque<Segment> pending_;
    std::size_t buffered_ = 0;
    // The size the current file will have once the pending lines are written.
    std::uint64_t projected_ = 0;
    std::string line_;
    // The wall clock's text is made anew only when its second changes.
    std::int64_t wallSecond_ = -1;
    std::string wallText_;

    bool open_ = false;
    bool stopped_ = false;
    std::uint64_t capturedIn_ = 0;
    std::uint64_t capturedOut_ = 0;
    std::uint64_t dropped_ = 0;
};

} // namespace ride
