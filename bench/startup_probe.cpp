// SPDX-License-Identifier: GPL-3.0-or-later
// Measures how long the console takes from exec to its window being mapped on the X server,
// and the resident memory of the program once it sits idle.
//
//   startup_probe <ride-console executable> [runs]
//
// Run it on a virtual X server of its own (bench/startup.sh does that). The executable reads
// the settings file beside itself, so copy it into a directory with the settings you want.
#include "x11_window_title.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <ride-console> [runs]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    XSync(dpy, False);

    std::vector<double> startMs;
    long lastRss = -1;
    for (int run = 0; run < runs; ++run) {
        const auto t0 = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            execl(argv[1], argv[1], static_cast<char*>(nullptr));
            _exit(127);
        }
        bool mapped = false;
        while (!mapped && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(10)) {
            pollfd p{ConnectionNumber(dpy), POLLIN, 0};
            if (XPending(dpy) == 0) {
                poll(&p, 1, 100);
            }
            while (XPending(dpy) > 0) {
                XEvent e;
                XNextEvent(dpy, &e);
                if (e.type == MapNotify && ride::bench::hasTitle(dpy, e.xmap.window, ride::bench::kConsoleTitle)) {
                    mapped = true;
                }
            }
        }
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (!mapped) {
            std::fprintf(stderr, "run %d: the console window was not mapped within 10 s\n", run);
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return 1;
        }
        startMs.push_back(ms);
        if (run == runs - 1) {
            std::this_thread::sleep_for(std::chrono::seconds(5)); // idle: timers running, nothing arriving
            lastRss = residentKiB(pid);
        }
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    std::sort(startMs.begin(), startMs.end());
    std::printf("start to mapped console window over %d runs: min %.1f ms, median %.1f ms, max %.1f ms\n", runs,
                startMs.front(), startMs[startMs.size() / 2], startMs.back());
    std::printf("resident memory after 5 s idle: %.1f MB\n", double(lastRss) / 1024.0);
    XCloseDisplay(dpy);
    return 0;
}
