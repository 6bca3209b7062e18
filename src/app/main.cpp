// ride-console: the operator console of the exercise-bike virtual ride.
#include "app/allocator.h"
#include "app/command_line.h"
#include "app/desktop.h"
#include "app/standard_backends.h"
#include "app/termination_signals.h"
#include "app/unshared_paint_buffers.h"
#include "app/wayland_session.h"
#include "base/log.h"
#include "service/ui_priority.h"
#include "settings/profile_file.h"

#include <QApplication>

#include <clocale>
#include <optional>
#include <string>

int main(int argc, char** argv)
{
    ride::tuneAllocator();
    const ride::ProgramStart started = ride::ProgramStart::now();
    if (!ride::startsConsole(argc, argv)) {
        // --check, --help, --version: no windows, so no display needed.
        return ride::runWithoutWindows(argc, argv, ride::standardBackends());
    }
    ride::warnIfWaylandSession();
    // Before the toolkit starts its threads: they, like every program the console starts, stay
    // at normal priority.
    if (const ride::UiPriority priority = ride::raiseUiThreadPriority(); !priority.raised) {
        ride::logInfo("priority", "records are handled at nice " + std::to_string(priority.nice) +
                                      ", behind busy programs: nice " + std::to_string(ride::kUiThreadNice) +
                                      " was refused (" + priority.refusal +
                                      "); the package grants it to the group ride-console");
    }
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

    auto paintBuffers = std::make_optional<ride::UnsharedPaintBuffers>();
    QApplication app(argc, argv);
    paintBuffers.reset();
    const ride::CommandLine commandLine = ride::parseCommandLine(app);
    // Numbers in settings and records are read with "." whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    // The console may start hidden; the program ends only on "结束" or on closing the console.
    QApplication::setQuitOnLastWindowClosed(false);
    // SIGTERM (the service manager's stop) ends the program as "结束" does, keymap given back.
    ride::quitEventLoopOnTerminationSignals();
    ride::Desktop desktop(choice.make(context), commandLine, std::move(notifier), started);
    return QApplication::exec();
}
