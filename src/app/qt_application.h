// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's Qt application, made the way the installation needs it: plugins and Qt
// configuration only from the system's paths (the program's folder is writable by its group), the
// windows in screen pixels whatever the desktop's scale, painted without waiting for the X server,
// numbers read with ".", alive while its windows are hidden, and ended in order by SIGTERM and
// SIGINT.
#include <QApplication>

#include <memory>

namespace ride {

// `argc` must outlive the application, as Qt requires.
std::unique_ptr<QApplication> startQtApplication(int& argc, char** argv);

} // namespace ride
