// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/capture_reader.h"

#include <variant>

namespace ride {

bool CaptureReader::nextLine(std::string& line)
{
    if (stop_ || !std::getline(in_, line)) {
        return false;
    }
    ++line_;
    if (in_.eof()) {
        // Every line the console writes ends with a line end: one without was cut off, and its
        // last bytes may be missing.
        stop_ = CaptureStop{line_, "the file ends inside this line: it was cut short"};
        return false;
    }
    // A file saved again by an editor on Windows.
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

bool CaptureReader::readHeader()
{
    std::string line;
    if (!nextLine(line)) {
        if (!stop_) {
            stop_ = CaptureStop{1, "the file is empty"};
        }
        return false;
    }
    if (!line.starts_with(kCaptureMagic)) {
        stop_ = CaptureStop{line_, "not a ride-console capture: the first line does not start with \"" +
                                       std::string(kCaptureMagic) + "\""};
        return false;
    }
    header_ = line;
    return true;
}

std::optional<CaptureEntry> CaptureReader::next()
{
    std::string line;
    while (nextLine(line)) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        auto parsed = parseCaptureLine(line);
        if (auto* why = std::get_if<std::string>(&parsed)) {
            stop_ = CaptureStop{line_, std::move(*why)};
            return std::nullopt;
        }
        return std::get<CaptureEntry>(std::move(parsed));
    }
    return std::nullopt;
}

} // namespace ride
