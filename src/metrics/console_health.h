// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's health as a monitoring system sees it: a snapshot taken from the three windows'
// models, and the metric families made from it (all named ride_console_...).
#include "base/record_tally.h"
#include "metrics/exposition.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ride {

class Form1;
class Form4;
class Frmsock;
class SerialLine;
class TrafficCapture;

struct SourceHealth {
    std::string source; // "serial", or "tcp" and the channel index
    std::uint64_t records = 0;
    double secondsSinceLastRecord = 0;
};

struct ChannelHealth {
    std::size_t index = 0;
    int state = -1; // the socket's state number; -1 while a reload has removed the socket
    bool connected = false;
    std::size_t queueLength = 0;
    std::uint64_t itemsSent = 0;
    std::uint64_t itemsDropped = 0;
};

struct ConsoleHealth {
    std::vector<SourceHealth> sources;
    bool serialOpen = false;
    bool networkWindowLoaded = false;
    std::uint64_t heartbeatsWritten = 0;
    std::vector<ChannelHealth> channels;
    std::uint64_t keyStringsTyped = 0;
    std::uint64_t keyStringsRefused = 0;
    // 0 person present, 1 nobody present, -1 before the first choice; another typed choice
    // gives its number.
    double videoChoice = -1;
    bool videoPlaying = false;
    double startTimeSeconds = 0;
    std::string version;
    // How long the previous export took on the UI thread; none before the first.
    std::optional<double> lastWriteSeconds;
    // Bytes of traffic in the capture, from the controller and to it, and those that reached the
    // capture but are not in it; 0 without a capture.
    std::uint64_t capturedIn = 0;
    std::uint64_t capturedOut = 0;
    std::uint64_t captureDropped = 0;
};

// What the snapshot is taken from. The network window and the player may not exist yet.
struct HealthSources {
    const Form1* console = nullptr;
    const SerialLine* serial = nullptr;
    Frmsock* network = nullptr;
    const Form4* player = nullptr;
    // When the program started, on the monotonic clock (a source that never sent a record counts
    // from there) and in Unix seconds.
    MonotonicTime startedAt;
    double startTimeSeconds = 0;
    std::string version;
    // Null without a capture.
    const TrafficCapture* capture = nullptr;
};

ConsoleHealth takeHealthSnapshot(const HealthSources& from, MonotonicTime now);

std::vector<MetricFamily> healthFamilies(const ConsoleHealth& health);

} // namespace ride
