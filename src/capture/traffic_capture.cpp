// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/traffic_capture.h"

#include "base/log.h"

#include <ctime>

namespace ride {
namespace {

std::int64_t unixMilliseconds(std::chrono::system_clock::time_point when)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
}

// "+0100": the local time's offset from UTC at that moment.
std::string utcOffset(std::int64_t unixMs)
{
    const auto seconds = static_cast<std::time_t>(unixMs / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[8];
    std::strftime(text, sizeof text, "%z", &local);
    return text;
}

} // namespace

TrafficCapture::TrafficCapture(CaptureDisk& disk, CaptureConfig config, std::function<CaptureHeader()> header)
    : disk_(disk), config_(std::move(config)), header_(std::move(header))
{
    rotated_ = config_.file;
    rotated_ += ".1";
    const auto sinceStart = config_.clock() - config_.started;
    const std::int64_t startedMs = unixMilliseconds(config_.wallClock()) -
                                   std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
    startedText_ = captureWallClock(startedMs) + utcOffset(startedMs);
}

TrafficCapture::~TrafficCapture()
{
    flush();
    disk_.close();
}

std::string TrafficCapture::headerLine()
{
    CaptureHeader header = header_ ? header_() : CaptureHeader{};
    header.started = startedText_;
    return formatCaptureHeader(header) + "\n";
}

bool TrafficCapture::open()
{
    if (open_ || stopped_) {
        return open_;
    }
    // A file left by an earlier run is the one a restart after a fault must not lose.
    if (const auto size = disk_.size(config_.file); size && *size > 0) {
        if (auto failure = disk_.rename(config_.file, rotated_)) {
            stop("cannot move the earlier capture to " + rotated_.string(), *failure);
            return false;
        }
    }
    if (auto failure = disk_.create(config_.file)) {
        stop("cannot create it", *failure);
        return false;
    }
    const std::string header = headerLine();
    if (auto failure = disk_.append(header)) {
        stop("cannot write it", *failure);
        return false;
    }
    projected_ = header.size();
    open_ = true;
    return true;
}

const std::string& TrafficCapture::wallClockText()
{
    const std::int64_t ms = unixMilliseconds(config_.wallClock());
    const std::int64_t second = ms / 1000;
    if (second != wallSecond_) {
        wallSecond_ = second;
        wallText_ = captureWallClock(ms);
    }
    const auto fraction = static_cast<int>(ms % 1000);
    wallText_[20] = static_cast<char>('0' + fraction / 100);
    wallText_[21] = static_cast<char>('0' + fraction / 10 % 10);
    wallText_[22] = static_cast<char>('0' + fraction % 10);
    return wallText_;
}

void TrafficCapture::record(const LineSource& source, std::string_view address, CaptureDirection direction,
                            std::string_view bytes)
{
    if (!open_ || stopped_) {
        dropped_ += bytes.size();
        return;
    }
    const auto sinceStart =
        std::chrono::duration_cast<std::chrono::microseconds>(config_.clock() - config_.started).count();
    line_.clear();
    appendCaptureLine(line_, sinceStart, wallClockText(), captureSourceToken(source, address), direction, bytes);

    if (buffered_ + line_.size() > config_.bufferBytes) {
        dropped_ += bytes.size();
        return;
    }
    if (projected_ + line_.size() > config_.limitBytes) {
        std::string header = headerLine();
        if (header.size() + line_.size() > config_.limitBytes ||
            buffered_ + header.size() + line_.size() > config_.bufferBytes) {
            dropped_ += bytes.size();
            return;
        }
        projected_ = header.size();
        buffered_ += header.size();
        pending_.push_back({true, std::move(header), 0, 0});
    }
    if (pending_.empty()) {
        pending_.push_back({});
    }
    Segment& segment = pending_.back();
    segment.text += line_;
    (direction == CaptureDirection::In ? segment.in : segment.out) += bytes.size();
    projected_ += line_.size();
    buffered_ += line_.size();
}

void TrafficCapture::flush()
{
    while (!pending_.empty() && !stopped_) {
        Segment& segment = pending_.front();
        if (segment.startsFile) {
            disk_.close();
            // A file removed by hand meanwhile leaves nothing to keep.
            if (disk_.size(config_.file)) {
                if (auto failure = disk_.rename(config_.file, rotated_)) {
                    stop("cannot rotate it to " + rotated_.string(), *failure);
                    return;
                }
            }
            if (auto failure = disk_.create(config_.file)) {
                stop("cannot create it again after rotating", *failure);
                return;
            }
        }
        if (auto failure = disk_.append(segment.text)) {
            stop("cannot write it", *failure);
            return;
        }
        capturedIn_ += segment.in;
        capturedOut_ += segment.out;
        buffered_ -= segment.text.size();
        pending_.pop_front();
    }
}

void TrafficCapture::stop(std::string_view what, const std::string& reason)
{
    logWarning("capture", config_.file.string() + ": " + std::string(what) + ": " + reason +
                              "; capturing stopped, the console goes on without it");
    stopped_ = true;
    for (const Segment& segment : pending_) {
        dropped_ += segment.in + segment.out;
    }
    pending_.clear();
    buffered_ = 0;
    disk_.close();
}

std::uint64_t TrafficCapture::bytesCaptured(CaptureDirection direction) const
{
    return direction == CaptureDirection::In ? capturedIn_ : capturedOut_;
}

} // namespace ride
