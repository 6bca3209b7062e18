// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's command line. With no option the console starts with its windows; --check
// reports on the site and ends; --metrics-file names where the console's health is written;
// --capture where the controller's traffic is captured.
#include "app/backend_table.h"

#include <filesystem>
#include <optional>

class QCoreApplication;

namespace ride {

struct CommandLine {
    bool check = false;
    std::optional<std::filesystem::path> metricsFile;
    // Made absolute from the working directory, as any command's path is meant.
    std::optional<std::filesystem::path> capture;
};

// Whether these arguments start the console with its windows (none, or only the options of the
// running console: --metrics-file, --capture), so
// that a QApplication, which needs a display, is made. Everything else runs without one.
bool startsConsole(int argc, const char* const* argv);

// Names the application (name and version shown by --version) and parses its arguments.
// --help, --version and an unknown option or a missing value print their text and end the
// process, as command-line programs do.
CommandLine parseCommandLine(QCoreApplication& app);

// --check, --help, --version and mistakes, without windows; returns the exit code. The site check
// looks at the backends of `backends` the program would choose from.
int runWithoutWindows(int argc, char** argv, const BackendTable& backends);

} // namespace ride
