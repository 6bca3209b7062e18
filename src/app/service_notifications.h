// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's side of supervision: readiness once the console has loaded, a watchdog ping from
// the UI thread's event loop (a blocked UI thread stops the pings, so the service manager kills
// and restarts the program), and the status line sent when it changes. With no $NOTIFY_SOCKET
// the timers never start and nothing is sent.
#include "service/service_notifier.h"
#include "service/service_status.h"

#include <QTimer>

#include <functional>

namespace ride {

class Form1;
class Frmsock;
class SerialLine;

// The serial line, each started channel and the current video choice, as the status line shows
// them. `network` is null until the network window exists.
ServiceStatus currentServiceStatus(const SerialLine& serial, const Form1& console, const Frmsock* network);

class ServiceNotifications {
public:
    // Status changes are looked for this often.
    static constexpr int kStatusCheckMs = 1000;

    // Starts the watchdog pings at once when the notifier asks for them.
    ServiceNotifications(ServiceNotifier notifier, std::function<ServiceStatus()> readStatus);
    ServiceNotifications(const ServiceNotifications&) = delete;
    ServiceNotifications& operator=(const ServiceNotifications&) = delete;

    // Says the program is ready, with its first status, and starts looking for status changes.
    void announceReady();

private:
    void sendStatusIfChanged();

    ServiceNotifier notifier_;
    std::function<ServiceStatus()> readStatus_;
    StatusChanges changes_;
    QTimer watchdog_;
    QTimer statusCheck_;
};

} // namespace ride
