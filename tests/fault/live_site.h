// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The installation as the program runs it, minus the screen: every timer on a real Qt timer, the
// network window's yields running the Qt event loop, the program's own sockets on loopback, and
// the serial line the test names (the test's "fake" one, or the program's "qt" one on a
// pseudo-terminal). The test only runs the event loop. The operator says "No" to the network
// window's question unless a test scripts otherwise.
#include "app/standard_backends.h"
#include "support/qt_event_pump.h"
#include "support/test_site.h"
#include "ui/qt/qt_event_yield.h"
#include "ui/qt/qt_timer_driver.h"

#include <chrono>

namespace ride::testing {

// The timers run on their own; the tests pump the event loop in slices of this length while they
// wait for what the timers do.
inline constexpr std::chrono::milliseconds kLivePumpStep{10};

// Speed 10, direction 90 or 45: with the default settings the pointer goes to (512, 312) or to
// (768, 312).
inline const std::string kRecordTo512 = ":::S=010xxx090xxxxxx,DIBBBBBB.";
inline const std::string kRecordTo768 = ":::S=010xxx045xxxxxx,DIBBBBBB.";

// Made before the site and gone after it: the site's timers and yields run on them.
struct LiveDrivers {
    QtTimerDriver timers;
    QtEventYield events;
};

class LiveSite : private LiveDrivers, public TestSite {
public:
    LiveSite(std::filesystem::path settingsFile, const char* serial = "fake", BackendTable more = {},
             std::vector<std::string> media = {"recording"})
        : TestSite(options(std::move(settingsFile), serial, std::move(more), std::move(media)))
    {
        question.answer = false;
    }

    // Runs the event loop until the pointer is at `point`, for at most `timeout`.
    bool pointerReaches(CursorPoint point, std::chrono::milliseconds timeout)
    {
        return pumpUntil([&] { return cursor().at == point; }, timeout, kLivePumpStep);
    }

private:
    SiteOptions options(std::filesystem::path settingsFile, const char* serial, BackendTable more,
                        std::vector<std::string> media)
    {
        SiteOptions o;
        o.settingsFile = std::move(settingsFile);
        o.backends.serial = {serial};
        o.backends.sockets = {"qt"};
        o.backends.media = std::move(media);
        o.moreBackends = std::move(more);
        o.moreBackends.add(standardBackends());
        o.timers = &timers;
        o.events = &events;
        return o;
    }
};

} // namespace ride::testing
