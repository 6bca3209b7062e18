// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Qt looks for its configuration (qt.conf, qt6.conf) and for plugins (platforms/, styles/,
// imageformats/, ...) beside the executable as well as in the system's directories. The
// console's directory is writable by its group, so a member could plant either there and have Qt
// load code into whoever starts the console next, root included. These keep Qt to the system's
// directories, and to the absolute ones of QT_PLUGIN_PATH: the environment belongs to the user
// who starts the program, and a member of the group cannot set it. The library carries a qt.conf
// of its own, which Qt reads in place of any file beside the executable.

namespace ride {

// Before the QCoreApplication or QApplication exists and before anything asks Qt for its paths.
void keepQtToSystemPaths();

// Once the application object exists: the plugins loaded from then on (styles, image formats,
// input methods, accessibility) never come from the executable's directory, whatever Qt did while
// the object was made.
void keepLaterQtPluginsToSystemPaths();

} // namespace ride
