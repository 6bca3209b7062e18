// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include "base/qt/system_qt_paths.h"
#include "check/probe/site_check.h"
#include "settings/profile_file.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string_view>

#ifndef RIDE_VERSION
#error "RIDE_VERSION comes from the project version in CMake"
#endif

namespace ride {

bool startsConsole(int argc, const char* const* argv)
{
    // Only the console's own option, or none: anything else (--check, --help, a mistyped
    // option) is parsed without windows, so that a mistake is reported even with no display.
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        bool known = false;
        for (const std::string_view option : {"--metrics-file", "--capture"}) {
            if (arg == option && i + 1 < argc) {
                ++i;
                known = true;
            } else if (arg.starts_with(option) && arg.substr(option.size()).starts_with('=')) {
                known = true;
            }
        }
        if (!known) {
            return false;
        }
    }
    return true;
}

CommandLine parseCommandLine(QCoreApplication& app)
{
    QCoreApplication::setApplicationName(QStringLiteral("ride-console"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RIDE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The operator console of the exercise-bike virtual ride. It reads 配置.ini beside "
                       "the program."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption check(
        QStringLiteral("check"),
        QStringLiteral("Check the site (settings, serial port, videos, controllers, display) and exit: 0 when "
                       "all is well, 1 when something would stop the installation working, 2 when the settings "
                       "file is missing or unreadable."));
    const QCommandLineOption metricsFile(
        QStringLiteral("metrics-file"),
        QStringLiteral("Write the console's health every 10 s to <path>, in the Prometheus text format (overrides "
                       "[状态导出] 文件)."),
        QStringLiteral("path"));
    const QCommandLineOption capture(
        QStringLiteral("capture"),
        QStringLiteral("Capture every byte exchanged with the bike controller, with its time, to <path> (overrides "
                       "[数据记录] 文件; a relative path is taken from the working directory)."),
        QStringLiteral("path"));
    parser.addOption(check);
    parser.addOption(metricsFile);
    parser.addOption(capture);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "%s: unexpected argument '%s'; see --help\n", "ride-console",
                     parser.positionalArguments().constFirst().toLocal8Bit().constData());
        std::exit(1);
    }

    CommandLine line;
    line.check = parser.isSet(check);
    if (parser.isSet(metricsFile)) {
        line.metricsFile = std::filesystem::path(parser.value(metricsFile).toStdString());
    }
    if (parser.isSet(capture) && !parser.value(capture).isEmpty()) {
        line.capture = std::filesystem::absolute(std::filesystem::path(parser.value(capture).toStdString()));
    }
    return line;
}

int runWithoutWindows(int argc, char** argv, const BackendTable& backends)
{
    QCoreApplication app(argc, argv);
    keepLaterQtPluginsToSystemPaths();
    const CommandLine commandLine = parseCommandLine(app);
    if (commandLine.check) {
        return runSiteCheck(settingsFilePath(), std::cout,
                            {backends.input, backends.serial, backends.sockets, backends.media}, commandLine.capture);
    }
    return 0;
}

} // namespace ride
