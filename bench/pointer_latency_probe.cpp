// SPDX-License-Identifier: GPL-3.0-or-later
// How long from a record's text being appended to the console's receive box until another X
// client hears that the pointer is at its new place, with the console's own X11 pointer backend; and
// the same road with one `xdotool mousemove` per record, which a script would reach for.
//
//   pointer_latency_probe [records] [--view] [--no-xdotool]
//
// With --view the console's Qt window is shown too, as in the program: every change of the
// receive box and the labels then also updates its widgets, inside the timed assignment. The
// window gets its events (painting) between records, outside the timing; no xdotool baseline.
// --no-xdotool leaves the baseline out (on a loaded machine it measures process start-up).
//
// Run it on a virtual X server of its own (bench/pointer_latency.sh does that).
#include "app/qt_application.h"
#include "app/qt_window_views.h"
#include "input/x11/x11_platform.h"
#include "probe_support.h"

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <X11/Xlib.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using ride::bench::millisecondsSince;
using ride::bench::quantile;
using Clock = std::chrono::steady_clock;

struct Target {
    const char16_t* record;
    int x;
    int y;
};

// Default settings: speed 0 gives Y 384, below the console's window (822 x 358 at the top left),
// so that the pointer moves over the root window, as over a roaming program, and the watcher
// hears of it; directions 90 and 45 give X 512 and 768.
const Target kTargets[2] = {{u":::S=000xxx090xxxxxx,DIBBBBBB.", 512, 384},
                            {u":::S=000xxx045xxxxxx,DIBBBBBB.", 768, 384}};

// Another client's view of the pointer: a connection of its own that listens to the root
// window's pointer motion, as a program sees the pointer move, and sleeps until the server says
// it is at (x, y). It asks the server nothing meanwhile, so it takes no turn at a core from the X
// server whatever priority it runs at. False after five seconds (a process started
// per move, as xdotool is, can take a second on a loaded machine).
bool waitForPointer(Display* watcher, int x, int y, Clock::time_point start)
{
    for (;;) {
        while (XPending(watcher) > 0) {
            XEvent event;
            XNextEvent(watcher, &event);
            if (event.type == MotionNotify && event.xmotion.x_root == x && event.xmotion.y_root == y) {
                return true;
            }
        }
        const double left = 5000.0 - millisecondsSince(start);
        if (left <= 0) {
            return false;
        }
        pollfd p{ConnectionNumber(watcher), POLLIN, 0};
        poll(&p, 1, int(left) + 1);
    }
}

void report(const char* what, std::vector<double> ms)
{
    const double median = quantile(ms, 0.5);
    std::printf("%-44s median %.3f ms, p99 %.3f ms, max %.3f ms (%zu records)\n", what, median, quantile(ms, 0.99),
                ms.back(), ms.size());
}

} // namespace

int main(int argc, char** argv)
{
    const int records = argc > 1 ? std::atoi(argv[1]) : 2000;
    bool withView = false;
    bool withXdotool = true;
    for (int i = 2; i < argc; ++i) {
        withView = withView || std::strcmp(argv[i], "--view") == 0;
        withXdotool = withXdotool && std::strcmp(argv[i], "--no-xdotool") != 0;
    }
    ride::bench::takeTheConsolesPriorityStep();
    Display* watcher = XOpenDisplay(nullptr);
    if (!watcher || records < 1) {
        std::fprintf(stderr, "usage: %s [records] [--view] [--no-xdotool], with DISPLAY set to a scratch X server\n",
                     argv[0]);
        return 2;
    }
    XSelectInput(watcher, DefaultRootWindow(watcher), PointerMotionMask);
    XSync(watcher, False);

    ride::bench::RepeatingSerialLine line;
    // The records press no key: the keys of the platform are never typed.
    ride::X11Platform x11("");
    std::unique_ptr<QApplication> app;
    ride::QtWindowViews views;
    ride::Platform platform;
    platform.input = &x11;
    platform.serial = &line;
    if (withView) {
        app = ride::startQtApplication(argc, argv); // as the program starts Qt
        platform.views = &views;
    }
    const auto site = ride::bench::benchInstallation(std::move(platform));
    ride::Form1& form = site->console();

    std::vector<double> toPointer;
    std::vector<double> inDecoder;
    std::vector<double> xServerWaits;
    std::vector<double> ownWaits;
    std::vector<double> inEvents; // painting the window between records
    const auto xServer = ride::bench::RunQueueWait::xServer();
    const auto own = ride::bench::RunQueueWait::thisThread();
    for (int i = -20; i < records; ++i) { // the first twenty warm up
        const Target& target = kTargets[i & 1];
        const double xServerBefore = xServer.milliseconds();
        const double ownBefore = own.milliseconds();
        ride::bench::roundTripPhase(i >= 0 ? "record" : "");
        ride::bench::roundTripUnit();
        const auto start = Clock::now();
        form.Text1.setText(form.Text1.text() + ride::Text(target.record));
        const double decoded = millisecondsSince(start);
        ride::bench::roundTripPhase("");
        if (!waitForPointer(watcher, target.x, target.y, start)) {
            std::fprintf(stderr, "record %d: the pointer did not reach (%d, %d)\n", i, target.x, target.y);
            return 1;
        }
        if (i >= 0) {
            toPointer.push_back(millisecondsSince(start));
            inDecoder.push_back(decoded);
            xServerWaits.push_back(xServer.milliseconds() - xServerBefore);
            ownWaits.push_back(own.milliseconds() - ownBefore);
        }
        if (app) {
            ride::bench::roundTripPhase(i >= 0 ? "Qt events between records" : "");
            ride::bench::roundTripUnit();
            const auto eventsStart = Clock::now();
            QApplication::processEvents();
            if (i >= 0) {
                inEvents.push_back(millisecondsSince(eventsStart));
            }
            ride::bench::roundTripPhase("");
        }
    }
    if (xServer.available()) {
        ride::bench::reportSlowest(toPointer, xServerWaits, ownWaits);
    }
    if (withView) {
        report("record appended to pointer seen, Qt window:", toPointer);
        report("  of which decoding, motion step, widgets:", inDecoder);
        report("Qt events after each record (painting):", inEvents);
        XCloseDisplay(watcher);
        return 0;
    }
    if (!withXdotool) {
        report("record appended to pointer seen:", toPointer);
        report("  of which decoding and motion step:", inDecoder);
        XCloseDisplay(watcher);
        return 0;
    }

    std::vector<double> viaXdotool;
    for (int i = -5; i < records; ++i) {
        const Target& target = kTargets[i & 1];
        std::string x = std::to_string(target.x);
        std::string y = std::to_string(target.y);
        char* const args[] = {const_cast<char*>("xdotool"), const_cast<char*>("mousemove"), x.data(), y.data(),
                              nullptr};
        const auto start = Clock::now();
        pid_t pid = 0;
        if (posix_spawnp(&pid, "xdotool", nullptr, nullptr, args, environ) != 0) {
            std::fprintf(stderr, "cannot start xdotool\n");
            return 1;
        }
        const bool reached = waitForPointer(watcher, target.x, target.y, start);
        const double ms = millisecondsSince(start);
        waitpid(pid, nullptr, 0);
        if (!reached) {
            std::fprintf(stderr, "xdotool %d: the pointer did not reach (%d, %d)\n", i, target.x, target.y);
            return 1;
        }
        if (i >= 0) {
            viaXdotool.push_back(ms);
        }
    }

    report("record appended to pointer seen:", toPointer);
    report("  of which decoding and motion step:", inDecoder);
    report("xdotool mousemove to pointer seen:", viaXdotool);
    std::printf("xdotool / console median ratio: %.1f\n", quantile(viaXdotool, 0.5) / quantile(toPointer, 0.5));
    XCloseDisplay(watcher);
    return 0;
}
