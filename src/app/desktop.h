// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The installation running on the desktop: the chosen backends, the three windows as Qt widgets,
// every timer on the Qt event loop, and the program's outputs (the service manager's
// notifications, the health file, the capture of the controller's traffic). Made once the
// QApplication exists.
#include "app/backend_table.h"
#include "app/command_line.h"
#include "app/installation.h"
#include "app/metrics_export.h"
#include "app/qt_window_views.h"
#include "app/service_notifications.h"
#include "ui/qt/qt_event_yield.h"
#include "ui/qt/qt_timer_driver.h"
#include "ui/qt/qt_yes_no_question.h"

#include <QObject>

#include <memory>

namespace ride {

// When the program started: on the monotonic clock (a line that never sent a record counts from
// there) and as Unix seconds.
struct ProgramStart {
    MonotonicTime steady;
    double unixSeconds = 0;

    static ProgramStart now();
};

class Desktop {
public:
    // `settingsFile` is "配置.ini" beside the program.
    Desktop(ChosenBackends backends, const CommandLine& commandLine, ServiceNotifier notifier, ProgramStart started,
            std::filesystem::path settingsFile);
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    Installation& installation() { return *site_; }

private:
    HealthSources healthSources() const;

    ChosenBackends backends_;
    ProgramStart started_;
    // Receiver of the desktop's own signal connections and single shots: they end with it.
    QObject context_;
    QtEventYield events_;
    QtYesNoQuestion question_;
    QtTimerDriver timers_;
    QtWindowViews views_;
    // After the backends and the drivers it uses, so that it goes first.
    std::unique_ptr<Installation> site_;
    std::unique_ptr<ServiceNotifications> serviceNotifications_;
    std::unique_ptr<MetricsExport> metrics_;
};

} // namespace ride
