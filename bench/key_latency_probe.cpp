// SPDX-License-Identifier: GPL-3.0-or-later
// How long from a bike key's flag box changing to "A" until the focused X client has received
// the last key event of a 20-character key string, with the console's own XTEST backend.
//
//   key_latency_probe [runs]
//
// Run it on a virtual X server of its own (bench/pointer_latency.sh does that). The probe's own
// window takes the keyboard focus and stands in for the roaming program.
#include "input/x11/x11_platform.h"
#include "probe_support.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

namespace {

using ride::bench::millisecondsSince;
using ride::bench::quantile;
using Clock = std::chrono::steady_clock;

constexpr char16_t kKeyString[] = u"abcdefghij0123456789";
constexpr std::size_t kKeyCount = sizeof kKeyString / sizeof kKeyString[0] - 1;

// Reads the window's key events until every key of the string has been released; what was typed
// goes to `typed`. False after a second.
bool waitForAllReleases(Display* dpy, Clock::time_point start, std::string& typed)
{
    std::size_t released = 0;
    while (released < kKeyCount) {
        const double left = 1000.0 - millisecondsSince(start);
        if (left <= 0) {
            return false;
        }
        if (XPending(dpy) == 0) {
            pollfd p{ConnectionNumber(dpy), POLLIN, 0};
            poll(&p, 1, int(left) + 1);
            continue;
        }
        XEvent event;
        XNextEvent(dpy, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            continue;
        }
        if (event.type != KeyPress && event.type != KeyRelease) {
            continue;
        }
        char buffer[8] = {};
        KeySym sym = NoSymbol;
        const int length = XLookupString(&event.xkey, buffer, sizeof buffer, &sym, nullptr);
        if (event.type == KeyPress) {
            typed.append(buffer, std::size_t(std::max(length, 0)));
        } else if (!IsModifierKey(sym)) {
            ++released;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 200;
    ride::bench::takeTheConsolesPriorityStep();
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy || runs < 1) {
        std::fprintf(stderr, "usage: %s [runs], with DISPLAY set to a scratch X server\n", argv[0]);
        return 2;
    }
    const Window window = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 200, 100, 0, 0, 0);
    XSelectInput(dpy, window, KeyPressMask | KeyReleaseMask);
    XMapWindow(dpy, window);
    XSync(dpy, False);
    XSetInputFocus(dpy, window, RevertToPointerRoot, CurrentTime);
    XSync(dpy, False);

    ride::bench::RepeatingSerialLine line;
    ride::X11Platform x11("");
    ride::Platform platform;
    platform.input = &x11;
    platform.serial = &line;
    const auto site = ride::bench::benchInstallation(std::move(platform));
    ride::Form1& form = site->console();
    form.txtKey(6).setText(kKeyString);

    std::vector<double> toLastKey;
    std::vector<double> inConsole;
    std::vector<double> xServerWaits;
    std::vector<double> ownWaits;
    const auto xServer = ride::bench::RunQueueWait::xServer();
    const auto own = ride::bench::RunQueueWait::thisThread();
    for (int run = -5; run < runs; ++run) { // the first five warm up
        while (XPending(dpy) > 0) {
            XEvent event;
            XNextEvent(dpy, &event);
        }
        std::string typed;
        const double xServerBefore = xServer.milliseconds();
        const double ownBefore = own.milliseconds();
        ride::bench::roundTripPhase(run >= 0 ? "key string" : "");
        ride::bench::roundTripUnit();
        const auto start = Clock::now();
        form.txtKey(0).setText(u"A");
        const double sent = millisecondsSince(start);
        ride::bench::roundTripPhase("");
        if (!waitForAllReleases(dpy, start, typed)) {
            std::fprintf(stderr, "run %d: only \"%s\" arrived within a second\n", run, typed.c_str());
            return 1;
        }
        const double ms = millisecondsSince(start);
        const double xServerWaited = xServer.milliseconds() - xServerBefore;
        const double ownWaited = own.milliseconds() - ownBefore;
        if (typed != "abcdefghij0123456789") {
            std::fprintf(stderr, "run %d: \"%s\" arrived\n", run, typed.c_str());
            return 1;
        }
        ride::bench::roundTripPhase(run >= 0 ? "key released" : "");
        ride::bench::roundTripUnit();
        form.txtKey(0).setText(u"B"); // released: types nothing
        ride::bench::roundTripPhase("");
        if (run >= 0) {
            toLastKey.push_back(ms);
            inConsole.push_back(sent);
            xServerWaits.push_back(xServerWaited);
            ownWaits.push_back(ownWaited);
        }
    }

    if (xServer.available()) {
        ride::bench::reportSlowest(toLastKey, xServerWaits, ownWaits);
    }
    const double median = quantile(toLastKey, 0.5);
    std::printf("flag to last key event of %zu keys:   median %.3f ms, p99 %.3f ms, max %.3f ms (%d runs)\n", kKeyCount,
                median, quantile(toLastKey, 0.99), toLastKey.back(), runs);
    const double sentMedian = quantile(inConsole, 0.5);
    std::printf("  of which the console's own send:     median %.3f ms, max %.3f ms\n", sentMedian, inConsole.back());
    XCloseDisplay(dpy);
    return 0;
}
