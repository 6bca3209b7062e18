// SPDX-License-Identifier: GPL-3.0-or-later
// What capturing the controller's traffic costs the record-to-pointer road: two consoles in one
// process on the same X11 pointer, one capturing to a file and one not, fed records in turn
// through their arrival points (where the serial poll and the TCP channels hand them in), so that
// both see the same load of the machine. Time from the arrival to the first poll of another X
// connection that shows the pointer at its new place. The capture's flush runs once a second
// between records, as the program's upkeep timer runs it, and is timed on its own.
//
//   capture_cost_probe [records per console] [capture file]
//
// Run it on a virtual X server of its own (bench/capture_cost.sh does that).
#include "input/x11/x11_platform.h"
#include "probe_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <X11/Xlib.h>

namespace {

using ride::bench::millisecondsSince;
using ride::bench::quantile;
using Clock = std::chrono::steady_clock;

struct Target {
    const char* record;
    int x;
    int y;
};

// Default settings: speed 10 gives Y 312; directions 90 and 45 give X 512 and 768.
const Target kTargets[2] = {{":::S=010xxx090xxxxxx,DIBBBBBB.", 512, 312}, {":::S=010xxx045xxxxxx,DIBBBBBB.", 768, 312}};

bool waitForPointer(Display* watcher, int x, int y, Clock::time_point start)
{
    const Window rootWindow = DefaultRootWindow(watcher);
    while (millisecondsSince(start) < 1000.0) {
        Window root = 0;
        Window child = 0;
        int px = 0;
        int py = 0;
        int wx = 0;
        int wy = 0;
        unsigned mask = 0;
        XQueryPointer(watcher, rootWindow, &root, &child, &px, &py, &wx, &wy, &mask);
        if (px == x && py == y) {
            return true;
        }
    }
    return false;
}

void report(const char* what, std::vector<double> ms)
{
    const double median = quantile(ms, 0.5);
    const double p99 = quantile(ms, 0.99);
    std::printf("%-34s median %.4f ms, p99 %.4f ms, max %.3f ms (%zu records)\n", what, median, p99, ms.back(),
                ms.size());
}

} // namespace

int main(int argc, char** argv)
{
    const int records = argc > 1 ? std::atoi(argv[1]) : 5000;
    const std::filesystem::path file = argc > 2 ? argv[2] : "/tmp/capture_cost_probe.capture";
    Display* watcher = XOpenDisplay(nullptr);
    if (!watcher || records < 1) {
        std::fprintf(stderr, "usage: %s [records] [capture file], with DISPLAY set to a scratch X server\n", argv[0]);
        return 2;
    }

    ride::bench::RepeatingSerialLine line;
    ride::X11Platform x11("");
    auto platform = [&] {
        ride::Platform p;
        p.input = &x11;
        p.serial = &line;
        return p;
    };
    const auto plain = ride::bench::benchInstallation(platform());
    ride::InstallationOptions options{"/nonexistent/配置.ini"};
    options.capture = ride::CaptureOptions{file, 64ull << 20, "ride-console bench", std::nullopt};
    ride::Installation capturing(platform(), std::move(options));
    capturing.start();
    ride::Timer* flush = nullptr;
    for (const auto& timer : capturing.upkeepTimers()) {
        if (timer->name() == "capture flush") {
            flush = timer.get();
        }
    }
    if (!flush || !capturing.capture() || capturing.capture()->stopped()) {
        std::fprintf(stderr, "the capture to %s did not start\n", file.c_str());
        return 1;
    }

    std::vector<double> off;
    std::vector<double> on;
    std::vector<double> flushes;
    auto lastFlush = Clock::now();
    for (int i = -20; i < 2 * records; ++i) { // the first twenty warm up
        const Target& target = kTargets[i & 1];
        // Each console gets both targets: two records for one, then two for the other.
        const bool withCapture = ((i >> 1) & 1) != 0;
        ride::Installation& site = withCapture ? capturing : *plain;
        const std::string bytes = target.record;
        const ride::Text text(bytes.begin(), bytes.end());
        const auto start = Clock::now();
        site.console().arrivals().arrive({ride::LineSource::serial(), bytes, text});
        if (!waitForPointer(watcher, target.x, target.y, start)) {
            std::fprintf(stderr, "record %d: the pointer did not reach (%d, %d)\n", i, target.x, target.y);
            return 1;
        }
        const double ms = millisecondsSince(start);
        if (i >= 0) {
            (withCapture ? on : off).push_back(ms);
        }
        if (millisecondsSince(lastFlush) >= 1000.0) {
            const auto began = Clock::now();
            flush->tick();
            flushes.push_back(millisecondsSince(began));
            lastFlush = Clock::now();
        }
    }
    const auto began = Clock::now();
    flush->tick();
    flushes.push_back(millisecondsSince(began));

    report("record to pointer, capture off:", off);
    report("record to pointer, capture on:", on);
    std::vector<double> offCopy = off;
    std::vector<double> onCopy = on;
    std::printf("on / off: median %.3f, p99 %.3f\n", quantile(onCopy, 0.5) / quantile(offCopy, 0.5),
                quantile(onCopy, 0.99) / quantile(offCopy, 0.99));
    const double flushMedian = quantile(flushes, 0.5);
    std::printf("flushes: %zu, median %.3f ms, max %.3f ms; %llu bytes captured, %llu dropped, file %s\n",
                flushes.size(), flushMedian, flushes.back(),
                static_cast<unsigned long long>(capturing.capture()->bytesCaptured(ride::CaptureDirection::In)),
                static_cast<unsigned long long>(capturing.capture()->bytesDropped()), file.c_str());
    XCloseDisplay(watcher);
    return 0;
}
