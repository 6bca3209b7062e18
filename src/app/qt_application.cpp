// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_application.h"

#include "app/termination_signals.h"
#include "base/qt/system_qt_paths.h"
#include "base/scoped_environment.h"

#include <clocale>
#include <cstdlib>

namespace ride {
namespace {

// Positions and sizes in the settings are screen pixels, and the pointer is driven in screen
// pixels. Qt would scale the windows by the desktop's text size (Xft.dpi, which GNOME and KDE set
// to 144 for 150 %) and by QT_SCALE_FACTOR, and so misplace the video on a high-density screen.
// Its text is drawn at 96 dots per inch, so that the fixed layouts keep every caption in its box.
void takeScreenPixels(ScopedEnvironment& environment)
{
    environment.set("QT_ENABLE_HIGHDPI_SCALING", "0");
    // Applied even with the scaling off.
    environment.unset("QT_SCALE_FACTOR");
    environment.unset("QT_SCREEN_SCALE_FACTORS");
    // Else the text follows Xft.dpi while the widgets keep their pixels: captions cut off.
    environment.set("QT_FONT_DPI", "96");
}

// Qt's X11 plugin hands a window's pixels to the X server through shared memory, and before it
// paints a region again it waits for the server to have read it: a round trip each time a record
// changes the console's labels, which on a busy machine costs the server's next turn at a core.
// Sent over the connection instead, a repaint waits for nothing (the console's repaints are a few
// labels, some tens of kilobytes). A value the environment already gives is left alone.
void paintWithoutSharedMemory(ScopedEnvironment& environment)
{
    if (std::getenv("QT_XCB_NO_MITSHM") == nullptr) {
        environment.set("QT_XCB_NO_MITSHM", "1");
    }
}

} // namespace

std::unique_ptr<QApplication> startQtApplication(int& argc, char** argv)
{
    // Qt reads these once, at its start; the programs the console starts inherit the environment
    // as it was.
    ScopedEnvironment qtStart;
    takeScreenPixels(qtStart);
    paintWithoutSharedMemory(qtStart);
    auto app = std::make_unique<QApplication>(argc, argv);
    qtStart.restore();
    keepLaterQtPluginsToSystemPaths();
    // Numbers in settings and records are read with "." whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    // The console may start hidden; the program ends only on "结束" or on closing the console.
    QApplication::setQuitOnLastWindowClosed(false);
    // SIGTERM (the service manager's stop) ends the program as "结束" does, keymap given back.
    quitEventLoopOnTerminationSignals();
    return app;
}

} // namespace ride
