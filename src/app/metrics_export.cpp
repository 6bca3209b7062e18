// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/metrics_export.h"

#include "settings/profile_file.h"

#include <chrono>

#ifndef RIDE_VERSION
#error "RIDE_VERSION comes from the project version in CMake"
#endif

namespace ride {

std::optional<std::filesystem::path> metricsFilePath(const std::optional<std::filesystem::path>& fromCommandLine,
                                                     const std::filesystem::path& settingsFile)
{
    if (fromCommandLine && !fromCommandLine->empty()) {
        return fromCommandLine;
    }
    const Text setting = ReadIni(settingsFile, u"状态导出", u"文件");
    if (setting.empty()) {
        return std::nullopt;
    }
    const std::filesystem::path named(toUtf8(setting));
    return named.is_absolute() ? named : settingsFile.parent_path() / named;
}

const char* programVersion()
{
    return RIDE_VERSION;
}

MetricsExport::MetricsExport(std::filesystem::path file, std::function<HealthSources()> sources)
    : file_(std::move(file)), sources_(std::move(sources))
{
    timer_.setInterval(kPeriodMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { exportNow(); });
}

void MetricsExport::start()
{
    QTimer::singleShot(0, &timer_, [this] { exportNow(); });
    timer_.start();
}

bool MetricsExport::exportNow()
{
    const auto began = std::chrono::steady_clock::now();
    ConsoleHealth health = takeHealthSnapshot(sources_(), began);
    health.lastWriteSeconds = lastWriteSeconds_;
    const bool written = file_.write(exposition(healthFamilies(health)));
    lastWriteSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return written;
}

} // namespace ride
