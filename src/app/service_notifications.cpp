// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/service_notifications.h"

#include "console/form1.h"
#include "io/serial_line.h"
#include "network/frmsock.h"

#include <algorithm>
#include <climits>

namespace ride {

ServiceStatus currentServiceStatus(const SerialLine& serial, const Form1& console, const Frmsock* network)
{
    ServiceStatus status;
    status.serialDevice = serial.deviceName();
    status.serialOpen = serial.isOpen();
    if (const Frmsock* window = network) {
        for (std::size_t i = 0; i < window->channelCount(); ++i) {
            const Channel& channel = window->channel(i);
            if (channel.WinsockTcp) {
                status.channels.push_back({i, channel.WinsockTcp->state() == socket_state::kConnected});
            }
        }
    }
    // Text7 keeps the last choice, "0" or "1", the suffix of its settings key.
    if (!console.Text7.text().empty()) {
        status.video = toUtf8(u"视频" + console.Text7.text());
    }
    return status;
}

ServiceNotifications::ServiceNotifications(ServiceNotifier notifier, std::function<ServiceStatus()> readStatus)
    : notifier_(std::move(notifier)), readStatus_(std::move(readStatus))
{
    const auto interval = notifier_.watchdogInterval();
    if (!notifier_.enabled() || !interval) {
        return;
    }
    const long long ms = std::clamp<long long>(interval->count() / 1000, 1, INT_MAX);
    // Precise: the default coarse timer may fire up to 5 % late, eating into the margin.
    watchdog_.setTimerType(Qt::PreciseTimer);
    watchdog_.setInterval(static_cast<int>(ms));
    QObject::connect(&watchdog_, &QTimer::timeout, [this] { notifier_.send(kWatchdogMessage); });
    watchdog_.start();
}

void ServiceNotifications::announceReady()
{
    if (!notifier_.enabled()) {
        return;
    }
    notifier_.send(kReadyMessage);
    sendStatusIfChanged();
    statusCheck_.setInterval(kStatusCheckMs);
    QObject::connect(&statusCheck_, &QTimer::timeout, [this] { sendStatusIfChanged(); });
    statusCheck_.start();
}

void ServiceNotifications::sendStatusIfChanged()
{
    if (const auto line = changes_.next(statusLine(readStatus_()))) {
        notifier_.send(statusMessage(*line));
    }
}

} // namespace ride
