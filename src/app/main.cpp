// SPDX-License-Identifier: GPL-3.0-or-later
// ride-console: the operator console of the exercise-bike virtual ride.
#include "app/allocator.h"
#include "app/command_line.h"
#include "app/desktop.h"
#include "app/qt_application.h"
#include "app/standard_backends.h"
#include "app/wayland_session.h"
#include "base/log.h"
#include "base/qt/system_qt_paths.h"
#include "service/ui_priority.h"
#include "settings/profile_file.h"

int main(int argc, char** argv)
{
    ride::tuneAllocator();
    const ride::ProgramStart started = ride::ProgramStart::now();
    // The program's directory is writable by its group: no Qt configuration or plugin from there.
    ride::keepQtToSystemPaths();
    if (!ride::startsConsole(argc, argv)) {
        // --check, --help, --version: no windows, so no display needed.
        return ride::runWithoutWindows(argc, argv, ride::standardBackends());
    }
    ride::warnIfWaylandSession();
    // Before the toolkit starts its threads: they, like every program the console starts, stay
    // at normal priority.
    ride::raiseUiThreadPriorityOrSayWhyNot();
    // Read (and removed from the environment) before any thread starts, and before the console
    // starts a program, which must not talk to the service manager in the console's name.
    ride::ServiceNotifier notifier = ride::ServiceNotifier::fromEnvironment();
    // Chosen before the toolkit starts: without a display it could only abort.
    const ride::BackendTable backends = ride::standardBackends();
    const ride::BackendContext context{ride::settingsFilePath(), {}};
    const ride::BackendChoice choice = ride::chooseBackends(backends, ride::BackendNames{}, context);
    if (!choice.usable()) {
        for (const std::string& problem : choice.problems) {
            ride::logError("backends", problem);
        }
        return 1;
    }

    const std::unique_ptr<QApplication> app = ride::startQtApplication(argc, argv);
    const ride::CommandLine commandLine = ride::parseCommandLine(*app);
    ride::Desktop desktop(choice.make(context), commandLine, std::move(notifier), started, context.settingsFile);
    return QApplication::exec();
}
