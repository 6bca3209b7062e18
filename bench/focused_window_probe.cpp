// SPDX-License-Identifier: GPL-3.0-or-later
// What the target window guard costs a key string: one question to X11FocusedWindow, against a
// bare round trip (XGetInputFocus) on the same server, for a focus window seen before (the steady
// state) and for a new one three levels below its top-level window.
//
//   focused_window_probe [runs]
//
// Run it on a virtual X server of its own (bench/focused_window.sh does that).
#include "console/key_forwarding.h"
#include "console/target_window_guard.h"
#include "input/recording_keystrokes.h"
#include "input/x11/x11_display.h"
#include "input/x11/x11_focused_window.h"
#include "probe_support.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using ride::bench::quantile;
using Clock = std::chrono::steady_clock;

double microsecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void report(const char* what, std::vector<double> values, double roundTrips)
{
    std::printf("%-46s median %7.1f us  p90 %7.1f us  max %7.1f us  round trips %.2f\n", what, quantile(values, 0.5),
                quantile(values, 0.9), quantile(values, 1.0), roundTrips);
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "focused_window_probe: no X display\n");
        return 1;
    }
    // The roaming program: a top-level window with a class and a title, focus three levels down.
    const Window top = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 400, 300, 0, 0, 0);
    XClassHint hint{const_cast<char*>("roamer"), const_cast<char*>("Roamer")};
    XSetClassHint(dpy, top, &hint);
    XStoreName(dpy, top, "Virtual Ride");
    XMapWindow(dpy, top);
    Window parent = top;
    for (int level = 0; level < 3; ++level) {
        parent = XCreateSimpleWindow(dpy, parent, 0, 0, 100, 100, 0, 0, 0);
        XMapWindow(dpy, parent);
    }
    const Window focus = parent;
    XSetInputFocus(dpy, focus, RevertToParent, CurrentTime);
    XSync(dpy, False);

    std::vector<double> bare;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        Window w = 0;
        int revert = 0;
        XGetInputFocus(dpy, &w, &revert);
        bare.push_back(microsecondsSince(start));
    }
    report("bare round trip (XGetInputFocus)", bare, 1);

    // One connection for every source, as the program has one.
    ride::X11Display connection("");
    ride::X11FocusedWindow source(connection);
    (void)source.focusedWindow(); // atoms, and the walk for this focus window
    std::vector<double> steady;
    auto before = source.roundTrips();
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        const ride::FocusedWindow got = source.focusedWindow();
        steady.push_back(microsecondsSince(start));
        if (got.id != top) {
            std::fprintf(stderr, "focused_window_probe: wrong window\n");
            return 1;
        }
    }
    report("focused window, focus window seen before", steady, double(source.roundTrips() - before) / runs);

    // A new focus window each time: a fresh source, so nothing is remembered (its atoms are
    // fetched before the clock starts).
    std::vector<double> cold;
    double coldTrips = 0;
    const int coldRuns = std::max(1, runs / 10);
    for (int i = 0; i < coldRuns; ++i) {
        ride::X11FocusedWindow fresh(connection);
        XSetInputFocus(dpy, top, RevertToParent, CurrentTime);
        XSync(dpy, False);
        (void)fresh.focusedWindow();
        XSetInputFocus(dpy, focus, RevertToParent, CurrentTime);
        XSync(dpy, False);
        before = fresh.roundTrips();
        const auto start = Clock::now();
        (void)fresh.focusedWindow();
        cold.push_back(microsecondsSince(start));
        coldTrips += double(fresh.roundTrips() - before);
    }
    report("focused window, new focus window 3 levels down", cold, coldTrips / coldRuns);

    // The whole key path with the guard against the recording backend: what a bike key press
    // costs the UI thread besides typing.
    ride::RecordingKeystrokes keys;
    for (const bool guarded : {false, true}) {
        // Boxes of their own for each forwarding: a box keeps the change handlers it was given.
        std::array<std::unique_ptr<ride::TextBox>, 12> boxes;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            boxes[i] = std::make_unique<ride::TextBox>("TXTKEY(" + std::to_string(i) + ")", i < 6 ? u"B" : u"{ENTER}");
        }
        ride::TargetWindowGuard guard(&source);
        guard.setSettings({guarded ? u"roam*" : u"", false});
        ride::KeyForwarding forwarding(boxes, keys, &guard);
        std::vector<double> press;
        before = source.roundTrips();
        for (int i = 0; i < runs; ++i) {
            boxes[0]->setText(u"B");
            const auto start = Clock::now();
            boxes[0]->setText(u"A");
            press.push_back(microsecondsSince(start));
        }
        report(guarded ? "key string, pattern \"roam*\" (typed)" : "key string, no pattern", press,
               double(source.roundTrips() - before) / runs);
        keys.clear();
    }
    XCloseDisplay(dpy);
    return 0;
}
