// SPDX-License-Identifier: GPL-3.0-or-later
#include "bike_sim/replay.h"

#include <algorithm>
#include <set>

namespace ride::sim {

std::string sourceName(const LineSource& source)
{
    return source.kind == LineSource::Kind::Serial ? std::string("serial")
                                                   : "channel:" + std::to_string(source.channel);
}

CaptureReplay::CaptureReplay(const std::string& file, const LineSource& source)
    : file_(file), source_(source), in_(file, std::ios::binary), reader_(in_)
{
}

std::unique_ptr<CaptureReplay> CaptureReplay::open(const std::string& file, const LineSource& source,
                                                   std::string& error)
{
    std::unique_ptr<CaptureReplay> replay(new CaptureReplay(file, source));
    if (!replay->in_) {
        error = "cannot read the capture " + file;
        return nullptr;
    }
    if (!replay->reader_.readHeader()) {
        error = replay->describeStop();
        return nullptr;
    }
    // Read up to the source's first chunk, noting which sources came before it for the message
    // when there is none.
    std::set<std::string> others;
    while (auto entry = replay->reader_.next()) {
        if (entry->direction == CaptureDirection::In && entry->source == source) {
            replay->firstMicroseconds_ = entry->microseconds;
            replay->ahead_ = ReplayChunk{0, std::move(entry->bytes)};
            return replay;
        }
        if (entry->direction == CaptureDirection::In) {
            others.insert(sourceName(entry->source));
        }
    }
    error = file + " holds no bytes from " + sourceName(source);
    if (replay->stopped()) {
        error += " before " + replay->describeStop();
    }
    if (!others.empty()) {
        error += "; it holds bytes from";
        for (const std::string& other : others) {
            error += " " + other;
        }
    }
    return nullptr;
}

std::optional<CaptureEntry> CaptureReplay::nextOfSource()
{
    while (auto entry = reader_.next()) {
        if (entry->direction == CaptureDirection::In && entry->source == source_) {
            return entry;
        }
    }
    return std::nullopt;
}

std::optional<ReplayChunk> CaptureReplay::next()
{
    if (ahead_) {
        std::optional<ReplayChunk> chunk = std::move(ahead_);
        ahead_.reset();
        return chunk;
    }
    auto entry = nextOfSource();
    if (!entry) {
        return std::nullopt;
    }
    // Times never go back in a file the console wrote; in one edited by hand such a chunk is due at once.
    const double seconds = double(std::max<std::int64_t>(entry->microseconds - *firstMicroseconds_, 0)) / 1e6;
    return ReplayChunk{seconds, std::move(entry->bytes)};
}

std::string CaptureReplay::describeStop() const
{
    if (!stopped()) {
        return {};
    }
    return "line " + std::to_string(stopped()->line) + " of " + file_ + ": " + stopped()->reason;
}

} // namespace ride::sim
