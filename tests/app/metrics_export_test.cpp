// SPDX-License-Identifier: GPL-3.0-or-later
// Where the health file goes (the command line before the setting, the setting taken from the
// program's directory), and the export writing it, with the time of the previous write.
#include "app/metrics_export.h"
#include "settings/profile_file.h"
#include "support/exposition_parser.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace ride {
namespace {

TEST(MetricsExport, TheCommandLineWinsAndARelativeSettingIsTakenFromTheProgramDirectory)
{
    testing::TempDir dir;
    const std::filesystem::path settings = dir / "配置.ini";
    EXPECT_EQ(metricsFilePath(std::nullopt, settings), std::nullopt) << "nothing named, nothing written";

    ASSERT_TRUE(WriteIni(settings, u"状态导出", u"文件", u"health/ride.prom"));
    EXPECT_EQ(metricsFilePath(std::nullopt, settings), dir / "health/ride.prom");
    EXPECT_EQ(metricsFilePath(std::filesystem::path("/run/x.prom"), settings), "/run/x.prom");

    ASSERT_TRUE(WriteIni(settings, u"状态导出", u"文件", u"/var/lib/prometheus/node-exporter/ride.prom"));
    EXPECT_EQ(metricsFilePath(std::nullopt, settings), "/var/lib/prometheus/node-exporter/ride.prom");
}

TEST(MetricsExport, EachWriteCarriesTheDurationOfThePreviousOne)
{
    testing::TempDir dir;
    const std::filesystem::path file = dir / "ride.prom";
    MetricsExport exporter(file, [] {
        HealthSources sources;
        sources.startedAt = steadyNow();
        sources.version = programVersion();
        return sources;
    });
    ASSERT_TRUE(exporter.exportNow());
    auto m = testing::parseExposition(testing::readBytes(file));
    EXPECT_EQ(m.family("ride_console_metrics_write_duration_seconds"), nullptr);
    EXPECT_EQ(m.value("ride_console_build_info", {{"version", programVersion()}}), 1);

    ASSERT_TRUE(exporter.exportNow());
    m = testing::parseExposition(testing::readBytes(file));
    const auto duration = m.value("ride_console_metrics_write_duration_seconds");
    ASSERT_TRUE(duration);
    EXPECT_GT(*duration, 0);
    EXPECT_LT(*duration, 1);

    MetricsExport nowhere(dir / "missing" / "ride.prom", [] { return HealthSources{}; });
    EXPECT_FALSE(nowhere.exportNow());
}

} // namespace
} // namespace ride
