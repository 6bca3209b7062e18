// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the Qt event loop from a test the way the program's own loop runs between handlers: timers
// fire, sockets and serial ports are read. Header-only, so that ride_test_support stays free of Qt.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>

namespace ride::testing {

// Runs the event loop for `span`.
inline void pumpFor(std::chrono::milliseconds span)
{
    QEventLoop loop;
    QTimer::singleShot(span, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop in slices of `step` until `condition` holds or `timeout` has passed.
// `condition` is checked before the first slice and after each one.
template <class Condition>
bool pumpUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(3),
               std::chrono::milliseconds step = std::chrono::milliseconds(5))
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeout.count()) {
            return false;
        }
        pumpFor(step);
    }
    return true;
}

} // namespace ride::testing
