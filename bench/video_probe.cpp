// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the video road of a running ride-console on an X server:
//
//   video_probe switch <runs> <x> <y>   clicks "来人播放视频" and "无人播放视频" in turn and times
//                                       each click to the first red or blue pixel at (x, y)
//   video_probe cpu <seconds> <pid>...  CPU share of each process over <seconds>, and the
//                                       resident memory of the first one
//
// bench/video.sh starts the console with the right settings and clips on an Xvfb of its own.
#include "probe_support.h"
#include "x11_window_title.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using ride::bench::millisecondsSince;

// Button centres in the console's client area.
constexpr int kButtonX = 350 + 140 + 75;
constexpr int kPersonButtonY = 66 + 18 + 14;
constexpr int kNobodyButtonY = 66 + 50 + 14;

Window findConsole(Display* dpy)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        Window root;
        Window parent;
        Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &count);
        Window found = 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes attributes;
            if (ride::bench::hasTitle(dpy, children[i], ride::bench::kConsoleTitle) &&
                XGetWindowAttributes(dpy, children[i], &attributes) && attributes.map_state == IsViewable) {
                found = children[i];
            }
        }
        if (children) {
            XFree(children);
        }
        if (found) {
            return found;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

enum class Colour { Red, Blue, Other };

Colour pixelAt(Display* dpy, int x, int y)
{
    XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) {
        return Colour::Other;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    const unsigned long r = (pixel >> 16) & 0xff;
    const unsigned long g = (pixel >> 8) & 0xff;
    const unsigned long b = pixel & 0xff;
    if (r > 180 && g < 80 && b < 80) {
        return Colour::Red;
    }
    if (b > 180 && r < 80 && g < 80) {
        return Colour::Blue;
    }
    return Colour::Other;
}

void click(Display* dpy, int x, int y)
{
    XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
    XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
    XFlush(dpy);
}

int measureSwitch(Display* dpy, int runs, int x, int y)
{
    const Window console = findConsole(dpy);
    if (!console) {
        std::fprintf(stderr, "no console window\n");
        return 1;
    }
    int left = 0;
    int top = 0;
    Window child;
    XTranslateCoordinates(dpy, console, DefaultRootWindow(dpy), 0, 0, &left, &top, &child);

    std::vector<double> ms;
    int missed = 0;
    for (int run = 0; run < runs; ++run) {
        const bool person = run % 2 == 0;
        const Colour wanted = person ? Colour::Red : Colour::Blue;
        const auto start = Clock::now();
        click(dpy, left + kButtonX, top + (person ? kPersonButtonY : kNobodyButtonY));
        bool seen = false;
        while (millisecondsSince(start) < 3000) {
            if (pixelAt(dpy, x, y) == wanted) {
                seen = true;
                break;
            }
        }
        if (seen) {
            ms.push_back(millisecondsSince(start));
        } else {
            ++missed;
        }
        // Let the new clip settle before the next choice.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    if (ms.empty()) {
        std::printf("no switch was seen\n");
        return 1;
    }
    // The first switch also pays for loading the decoders; the rest are the steady state.
    const double first = ms.front();
    std::vector<double> rest(ms.begin() + 1, ms.end());
    std::printf("choice to first frame: first switch %.0f ms; next %zu (%d missed): min %.0f ms, median %.0f ms, "
                "p90 %.0f ms, max %.0f ms\n",
                first, rest.size(), missed, ride::bench::quantile(rest, 0), ride::bench::quantile(rest, 0.5),
                ride::bench::quantile(rest, 0.9), ride::bench::quantile(rest, 1));
    return missed == 0 ? 0 : 1;
}

struct ProcessSample {
    long long ticks = 0;
    long rssKiB = 0;
    long peakKiB = 0;
};

ProcessSample sample(int pid)
{
    ProcessSample s;
    std::ifstream statFile("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close != std::string::npos) {
        std::istringstream fields(stat.substr(close + 2));
        std::string field;
        // Fields 3 to 13, then utime (14) and stime (15).
        for (int i = 3; i <= 13; ++i) {
            fields >> field;
        }
        long long utime = 0;
        long long stime = 0;
        fields >> utime >> stime;
        s.ticks = utime + stime;
    }
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            s.rssKiB = std::strtol(line.c_str() + 6, nullptr, 10);
        } else if (line.rfind("VmHWM:", 0) == 0) {
            s.peakKiB = std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return s;
}

int measureCpu(int seconds, const std::vector<int>& pids)
{
    std::vector<ProcessSample> before;
    for (int pid : pids) {
        before.push_back(sample(pid));
    }
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double elapsed = millisecondsSince(start) / 1000.0;
    const double hz = static_cast<double>(sysconf(_SC_CLK_TCK));
    for (std::size_t i = 0; i < pids.size(); ++i) {
        const ProcessSample after = sample(pids[i]);
        const double share = 100.0 * static_cast<double>(after.ticks - before[i].ticks) / hz / elapsed;
        std::printf("pid %d: %.1f %% of one core over %.1f s", pids[i], share, elapsed);
        if (i == 0) {
            std::printf(", resident %.1f MiB (peak %.1f MiB)", static_cast<double>(after.rssKiB) / 1024.0,
                        static_cast<double>(after.peakKiB) / 1024.0);
        }
        std::printf("\n");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "switch" && argc == 5) {
        Display* dpy = XOpenDisplay(nullptr);
        if (!dpy) {
            std::fprintf(stderr, "no X display\n");
            return 2;
        }
        return measureSwitch(dpy, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    }
    if (mode == "cpu" && argc >= 4) {
        std::vector<int> pids;
        for (int i = 3; i < argc; ++i) {
            pids.push_back(std::atoi(argv[i]));
        }
        return measureCpu(std::atoi(argv[2]), pids);
    }
    std::fprintf(stderr, "usage: %s switch <runs> <x> <y> | cpu <seconds> <pid>...\n", argv[0]);
    return 2;
}
