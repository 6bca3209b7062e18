// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's health in the Prometheus text format, written every ten seconds to the file that
// `--metrics-file` or "[状态导出] 文件" names, for node_exporter's textfile collector. Nothing
// listens on a port. Each export runs on the UI thread; its duration is exported the next time.
#include "metrics/console_health.h"
#include "metrics/metrics_file.h"

#include <QTimer>

#include <filesystem>
#include <functional>
#include <optional>

namespace ride {

// The file to write: the command line's wins; the setting is taken from the program's directory
// when relative, like the other files the settings name. None when neither names one.
std::optional<std::filesystem::path> metricsFilePath(const std::optional<std::filesystem::path>& fromCommandLine,
                                                     const std::filesystem::path& settingsFile);

// The program's version, as the build names it.
const char* programVersion();

class MetricsExport {
public:
    static constexpr int kPeriodMs = 10 * 1000;

    // `sources` is asked at every export: the network window and the player appear later.
    MetricsExport(std::filesystem::path file, std::function<HealthSources()> sources);
    MetricsExport(const MetricsExport&) = delete;
    MetricsExport& operator=(const MetricsExport&) = delete;

    // Writes once at the next turn of the event loop, then every period.
    void start();
    // One export; returns whether the file was written.
    bool exportNow();

private:
    MetricsFile file_;
    std::function<HealthSources()> sources_;
    std::optional<double> lastWriteSeconds_;
    QTimer timer_;
};

} // namespace ride
