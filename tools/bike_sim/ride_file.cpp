// SPDX-License-Identifier: GPL-3.0-or-later
#include "bike_sim/ride_file.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace ride::sim {
namespace {

std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    auto separator = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\r'; };
    while (i < line.size()) {
        while (i < line.size() && separator(line[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && !separator(line[i])) {
            ++i;
        }
        if (i > start) {
            fields.push_back(line.substr(start, i - start));
        }
    }
    return fields;
}

bool parseWhole(std::string_view text, int& value)
{
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parseSeconds(std::string_view text, double& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

std::string secondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

bool parseKeys(std::string_view text, std::array<bool, kKeyCount>& keys)
{
    if (text.size() != kKeyCount) {
        return false;
    }
    for (std::size_t k = 0; k < kKeyCount; ++k) {
        const char c = text[k];
        if (c == 'A' || c == '1') {
            keys[k] = true;
        } else if (c == 'B' || c == '0') {
            keys[k] = false;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

RideFile parseRideFile(std::istream& in)
{
    RideFile ride;
    std::string raw;
    int lineNumber = 0;
    bool havePrevious = false;
    double previousTime = 0;
    while (std::getline(in, raw)) {
        ++lineNumber;
        std::string_view line = raw;
        if (lineNumber == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") {
            line.remove_prefix(3); // a byte-order mark from a Windows editor
        }
        if (const auto hash = line.find('#'); hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        const auto fields = splitFields(line);
        if (fields.empty()) {
            continue;
        }
        auto bad = [&](std::string message) { ride.errors.push_back({lineNumber, std::move(message)}); };
        if (fields.size() != 4) {
            bad("expected 4 fields (seconds speed direction keys), found " + std::to_string(fields.size()));
            continue;
        }
        RideStep step;
        if (!parseSeconds(fields[0], step.time) || step.time < 0) {
            bad("time " + quoted(fields[0]) + " is not a number of seconds of 0 or more");
            continue;
        }
        if (!parseWhole(fields[1], step.state.speed) || step.state.speed < kFieldMin || step.state.speed > kFieldMax) {
            bad("speed " + quoted(fields[1]) + " is not a whole number from -99 to 999");
            continue;
        }
        if (!parseWhole(fields[2], step.state.direction) || step.state.direction < kFieldMin ||
            step.state.direction > kFieldMax) {
            bad("direction " + quoted(fields[2]) + " is not a whole number from -99 to 999");
            continue;
        }
        if (!parseKeys(fields[3], step.state.keys)) {
            bad("keys " + quoted(fields[3]) + " must be six characters, each A (pressed) or B (released)");
            continue;
        }
        if (havePrevious && step.time < previousTime) {
            bad("time " + secondsText(step.time) + " is earlier than the " + secondsText(previousTime) +
                " of the step before");
            continue;
        }
        havePrevious = true;
        previousTime = step.time;
        ride.steps.push_back(step);
    }
    if (ride.steps.empty() && ride.errors.empty()) {
        ride.errors.push_back({0, "no steps: each line needs seconds, speed, direction and keys"});
    }
    return ride;
}

std::string describeError(const std::string& fileName, const RideFileError& error)
{
    if (error.line == 0) {
        return fileName + ": " + error.message;
    }
    return fileName + ":" + std::to_string(error.line) + ": " + error.message;
}

} // namespace ride::sim
