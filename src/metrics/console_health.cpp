// SPDX-License-Identifier: GPL-3.0-or-later
#include "metrics/console_health.h"

#include "base/numeric_value.h"
#include "capture/traffic_capture.h"
#include "console/form1.h"
#include "io/serial_line.h"
#include "io/tcp_socket.h"
#include "network/frmsock.h"
#include "network/supervision.h"
#include "player/form4.h"

#include <cmath>

namespace ride {
namespace {

double secondsBetween(MonotonicTime from, MonotonicTime to)
{
    return std::chrono::duration<double>(to - from).count();
}

SourceHealth sourceHealth(std::string name, const RecordTally& tally, MonotonicTime startedAt, MonotonicTime now)
{
    return {std::move(name), tally.count, secondsBetween(tally.last.value_or(startedAt), now)};
}

double flag(bool on)
{
    return on ? 1 : 0;
}

double count(std::uint64_t n)
{
    return static_cast<double>(n);
}

MetricFamily family(std::string name, std::string help, MetricType type)
{
    return MetricFamily{std::move(name), std::move(help), type, {}};
}

} // namespace

ConsoleHealth takeHealthSnapshot(const HealthSources& from, MonotonicTime now)
{
    ConsoleHealth health;
    health.startTimeSeconds = from.startTimeSeconds;
    health.version = from.version;
    health.serialOpen = from.serial && from.serial->isOpen();

    if (from.console) {
        const Form1& console = *from.console;
        health.sources.push_back(
            sourceHealth("serial", console.arrivals().records(LineSource::serial()), from.startedAt, now));
        health.keyStringsTyped = console.keyForwarding().stringsTyped();
        health.keyStringsRefused = console.keyForwarding().stringsRefused();
        const Text& choice = console.Text7.text();
        if (!choice.empty()) {
            health.videoChoice = numericValue(choice);
        }
    }

    if (from.network) {
        Frmsock& network = *from.network;
        health.networkWindowLoaded = true;
        health.heartbeatsWritten = network.supervision().heartbeatsWritten();
        for (std::size_t i = 0; i < network.channelCount(); ++i) {
            const Channel& ch = network.channel(i);
            const LineSource line = LineSource::tcpChannel(i);
            const RecordTally none;
            const RecordTally& records = from.console ? from.console->arrivals().records(line) : none;
            health.sources.push_back(sourceHealth(line.name(), records, from.startedAt, now));
            ChannelHealth channel;
            channel.index = i;
            channel.state = ch.WinsockTcp ? ch.WinsockTcp->state() : -1;
            channel.connected = channel.state == socket_state::kConnected;
            channel.queueLength = ch.TxtTcpTx.itemCount();
            channel.itemsSent = ch.itemsSent;
            channel.itemsDropped = ch.itemsDropped;
            health.channels.push_back(channel);
        }
    }

    health.videoPlaying = from.player && from.player->videoPlaying();
    if (from.capture) {
        health.capturedIn = from.capture->bytesCaptured(CaptureDirection::In);
        health.capturedOut = from.capture->bytesCaptured(CaptureDirection::Out);
        health.captureDropped = from.capture->bytesDropped();
    }
    return health;
}

std::vector<MetricFamily> healthFamilies(const ConsoleHealth& health)
{
    MetricFamily records =
        family("ride_console_records_decoded_total", "Bike records decoded, by the source whose text completed them.",
               MetricType::Counter);
    MetricFamily sinceRecord =
        family("ride_console_seconds_since_last_record",
               "Seconds since the last bike record from the source, or since the program started if none came yet.",
               MetricType::Gauge);
    for (const SourceHealth& source : health.sources) {
        records.samples.push_back({{{"source", source.source}}, count(source.records)});
        sinceRecord.samples.push_back({{{"source", source.source}}, source.secondsSinceLastRecord});
    }

    MetricFamily serialOpen = family("ride_console_serial_line_open",
                                     "Whether the serial line to the bike controller is open.", MetricType::Gauge);
    serialOpen.samples.push_back({{}, flag(health.serialOpen)});

    MetricFamily networkLoaded =
        family("ride_console_network_window_loaded",
               "Whether the network window exists; its channels connect only from then on.", MetricType::Gauge);
    networkLoaded.samples.push_back({{}, flag(health.networkWindowLoaded)});

    MetricFamily state =
        family("ride_console_channel_state", "The TCP channel's socket state number (7 connected; -1 no socket).",
               MetricType::Gauge);
    MetricFamily connected =
        family("ride_console_channel_connected", "Whether the TCP channel is connected.", MetricType::Gauge);
    MetricFamily queue = family("ride_console_channel_send_queue_length",
                                "Items waiting in the TCP channel's send queue.", MetricType::Gauge);
    MetricFamily sent = family("ride_console_channel_items_sent_total",
                               "Send queue items whose sending completed on the TCP channel.", MetricType::Counter);
    MetricFamily dropped =
        family("ride_console_channel_items_dropped_total",
               "Send queue items removed unsent (queue limit or send failure policy).", MetricType::Counter);
    for (const ChannelHealth& channel : health.channels) {
        const std::vector<std::pair<std::string, std::string>> labels{{"channel", std::to_string(channel.index)}};
        state.samples.push_back({labels, static_cast<double>(channel.state)});
        connected.samples.push_back({labels, flag(channel.connected)});
        queue.samples.push_back({labels, static_cast<double>(channel.queueLength)});
        sent.samples.push_back({labels, count(channel.itemsSent)});
        dropped.samples.push_back({labels, count(channel.itemsDropped)});
    }

    MetricFamily heartbeats =
        family("ride_console_heartbeats_total", "Heartbeat texts queued for channel 0.", MetricType::Counter);
    if (health.networkWindowLoaded) {
        heartbeats.samples.push_back({{}, count(health.heartbeatsWritten)});
    }

    MetricFamily typed = family("ride_console_key_strings_typed_total",
                                "Key strings typed for bike keys that were pressed.", MetricType::Counter);
    typed.samples.push_back({{}, count(health.keyStringsTyped)});
    MetricFamily refused =
        family("ride_console_key_strings_refused_total",
               "Key strings not typed: not understood, or refused by the keystroke backend.", MetricType::Counter);
    refused.samples.push_back({{}, count(health.keyStringsRefused)});

    MetricFamily choice =
        family("ride_console_video_choice", "The last video choice: 0 person present, 1 nobody present, -1 none yet.",
               MetricType::Gauge);
    choice.samples.push_back({{}, std::isfinite(health.videoChoice) ? health.videoChoice : -1});
    MetricFamily playing =
        family("ride_console_video_playing", "Whether a video or an animation is playing.", MetricType::Gauge);
    playing.samples.push_back({{}, flag(health.videoPlaying)});

    MetricFamily start = family("ride_console_start_time_seconds",
                                "When the program started, in seconds since the Unix epoch.", MetricType::Gauge);
    start.samples.push_back({{}, health.startTimeSeconds});
    MetricFamily build =
        family("ride_console_build_info", "The program's version, as a label; always 1.", MetricType::Gauge);
    build.samples.push_back({{{"version", health.version}}, 1});

    MetricFamily writeTime =
        family("ride_console_metrics_write_duration_seconds",
               "How long the previous export of these metrics took on the user-interface thread.", MetricType::Gauge);
    if (health.lastWriteSeconds) {
        writeTime.samples.push_back({{}, *health.lastWriteSeconds});
    }

    MetricFamily captured = family("ride_console_capture_bytes_total",
                                   "Bytes of traffic written to the capture, from the controller (in) and to it (out).",
                                   MetricType::Counter);
    captured.samples.push_back({{{"direction", "in"}}, count(health.capturedIn)});
    captured.samples.push_back({{{"direction", "out"}}, count(health.capturedOut)});
    MetricFamily notCaptured = family("ride_console_capture_dropped_bytes_total",
                                      "Bytes of traffic that reached the capture but are not in it (buffer full, a "
                                      "failed write, everything after the capture stopped).",
                                      MetricType::Counter);
    notCaptured.samples.push_back({{}, count(health.captureDropped)});

    return {records, sinceRecord, serialOpen, networkLoaded, state,      connected, queue,
            sent,    dropped,     heartbeats, typed,         refused,    choice,    playing,
            start,   build,       writeTime,  captured,      notCaptured};
}

} // namespace ride
