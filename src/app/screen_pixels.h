#pragma once
// Positions and sizes in the settings are screen pixels, and the pointer is driven in screen
// pixels. Qt would scale the windows by the desktop's text size (Xft.dpi, which GNOME and KDE set
// to 144 for 150 %) and by QT_SCALE_FACTOR, and so misplace the video on a high-density screen.
#include "base/scoped_environment.h"

namespace ride {

// Turns Qt's scaling off for the windows about to be made and draws their text at 96 dots per
// inch, so that the fixed layouts keep every caption inside its box. Call before the QApplication
// exists, and restore `environment` once it does: Qt reads these once, and the programs the
// console starts inherit the environment as it was.
void takeScreenPixels(ScopedEnvironment& environment);

} // namespace ride
