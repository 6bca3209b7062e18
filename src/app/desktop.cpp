// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desktop.h"

#include "app/allocator.h"
#include "capture/capture_settings.h"
#include "settings/profile_file.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include <chrono>

namespace ride {
namespace {

// The video core loads many libraries: started just after the windows are up, it does not delay
// them, and the player's control panel shows from then on (about 54 MB more resident memory,
// docs/performance.md).
constexpr int kVideoPrepareDelayMs = 500;

} // namespace

ProgramStart ProgramStart::now()
{
    return {steadyNow(), std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count()};
}

Desktop::Desktop(ChosenBackends backends, const CommandLine& commandLine, ServiceNotifier notifier,
                 ProgramStart started, std::filesystem::path settingsFile)
    : backends_(std::move(backends)), started_(started)
{
    Platform platform;
    platform.input = backends_.input.get();
    platform.serial = backends_.serial.get();
    platform.sockets = backends_.sockets.get();
    platform.media = backends_.media.get();
    platform.events = &events_;
    platform.question = &question_;
    platform.timers = &timers_;
    platform.views = &views_;
    platform.endProgram = [] { QCoreApplication::exit(0); };
    platform.upkeep.push_back(heapTrim());
    InstallationOptions options{std::move(settingsFile)};
    // The controller's traffic, when --capture or "[数据记录] 文件" names a file for it.
    const CaptureSettings capture = readCaptureSettings(options.settingsFile, commandLine.capture);
    if (capture.file) {
        options.capture = CaptureOptions{*capture.file, capture.limit.bytes,
                                         std::string("ride-console ") + programVersion(), started_.steady};
    }
    site_ = std::make_unique<Installation>(std::move(platform), std::move(options));

    // The window to give the focus back to is the last one outside the program that had it; the
    // focus leaving the program's windows is a moment to look.
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, &context_,
                     [this](Qt::ApplicationState) { site_->networkOpener().noteFocusElsewhere(); });

    site_->start();

    // Ready once the console has loaded and the event loop runs (its windows are shown by then).
    serviceNotifications_ = std::make_unique<ServiceNotifications>(std::move(notifier), [this] {
        return currentServiceStatus(*backends_.serial, site_->console(), site_->networkWindow());
    });
    QTimer::singleShot(0, &context_, [this] { serviceNotifications_->announceReady(); });

    // Health for node_exporter's textfile collector, when a file is named for it.
    if (const auto file = metricsFilePath(commandLine.metricsFile, site_->settingsFile())) {
        metrics_ = std::make_unique<MetricsExport>(*file, [this] { return healthSources(); });
        metrics_->start();
    }

    QTimer::singleShot(kVideoPrepareDelayMs, &context_, [this] { site_->prepareVideo(); });
}

HealthSources Desktop::healthSources() const
{
    HealthSources sources;
    sources.console = &site_->console();
    sources.serial = backends_.serial.get();
    sources.network = site_->networkWindow();
    sources.player = site_->playerIfLoaded();
    sources.startedAt = started_.steady;
    sources.startTimeSeconds = started_.unixSeconds;
    sources.version = programVersion();
    sources.capture = site_->capture();
    return sources;
}

} // namespace ride
