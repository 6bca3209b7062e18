// SPDX-License-Identifier: GPL-3.0-or-later
#include "bike_sim/capture_ride.h"

#include "base/numeric_value.h"
#include "base/text.h"

#include <algorithm>
#include <cstdio>

namespace ride::sim {
namespace {

constexpr std::string_view kMarker = ":::S=";
constexpr std::size_t kFieldLength = 3;

// As the console reads a field: its numeric value, rounded half to even; none when that does not
// fit (an exponent), for which the console moves nothing.
std::optional<int> fieldValue(std::string_view record, std::size_t offset)
{
    const auto value = roundToInt32(numericValue(fromGbk(record.substr(offset, kFieldLength))));
    if (!value || *value < kFieldMin || *value > kFieldMax) {
        return std::nullopt;
    }
    return *value;
}

} // namespace

std::vector<RideStep> RecordScanner::feed(std::string_view bytes, double seconds)
{
    pending_.append(bytes);
    std::vector<RideStep> steps;
    for (;;) {
        const std::size_t start = pending_.find(kMarker);
        if (start == std::string::npos) {
            // Only the start of a marker can still become part of a record.
            pending_.erase(0, pending_.size() - std::min(pending_.size(), kMarker.size() - 1));
            break;
        }
        const std::size_t end = pending_.find('.', start);
        if (end == std::string::npos) {
            if (pending_.size() - start < 30) {
                pending_.erase(0, start);
                break;
            }
            // Too far on for an end mark of this marker's.
            pending_.erase(0, start + 1);
            continue;
        }
        const std::size_t length = end - start + 1;
        if (length == 30 || length == 28) {
            const std::string_view record = std::string_view(pending_).substr(start, length);
            const auto speed = fieldValue(record, kSpeedOffset);
            const auto direction = fieldValue(record, kDirectionOffset);
            if (speed && direction) {
                RideStep step;
                step.time = seconds;
                step.state.speed = *speed;
                step.state.direction = *direction;
                // The short record carries four flags; the end mark stands where the fifth would.
                const std::size_t flags = length == 30 ? kKeyCount : kKeyCount - 2;
                const bool keyBlock = record.substr(kKeyBlockOffset, 3) == ",DI";
                for (std::size_t k = 0; k < flags; ++k) {
                    step.state.keys[k] = keyBlock && record[kFlagsOffset + k] == 'A';
                }
                steps.push_back(step);
            }
            pending_.erase(0, end + 1);
        } else {
            // A broken record: the next marker may start a good one.
            pending_.erase(0, start + 1);
        }
    }
    return steps;
}

std::string rideLine(const RideStep& step)
{
    std::string keys;
    for (const bool pressed : step.state.keys) {
        keys.push_back(pressed ? 'A' : 'B');
    }
    char line[64];
    std::snprintf(line, sizeof line, "%.3f %d %d %s", step.time, step.state.speed, step.state.direction, keys.c_str());
    return line;
}

} // namespace ride::sim
