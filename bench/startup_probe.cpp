// Measures how long the console takes from exec to its window being mapped on the X server,
// and the resident memory of the program once it sits idle.
//
//   startup_probe <ride-console executable> [runs]
//
// Run it on a virtual X server of its own (bench/startup.sh does that). The executable reads
// the settings file beside itself, so copy it into a directory with the settings you want.
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

const char* const kConsoleTitle = "Rovika支持鼠标和键盘171013A";

bool isConsoleWindow(Display* dpy, Window w)
{
    // Qt names the top-level window (in UTF-8, _NET_WM_NAME) before mapping it.
    static const Atom netWmName = XInternAtom(dpy, "_NET_WM_NAME", False);
    static const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count;
    unsigned long after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, netWmName, 0, 256, False, utf8, &type, &format, &count, &after, &data) !=
            Success ||
        !data) {
        return false;
    }
    const bool match = std::string(reinterpret_cast<const char*>(data), count) == kConsoleTitle;
    XFree(data);
    return match;
}

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
                if (e.type == MapNotify && isConsoleWindow(dpy, e.xmap.window)) {
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
    std::printf("start to mapped console window over %d runs: min %.1f ms, median %.1f ms, max %.1f ms\n",
                runs, startMs.front(), startMs[startMs.size() / 2], startMs.back());
    std::printf("resident memory after 5 s idle: %.1f MB\n", double(lastRss) / 1024.0);
    XCloseDisplay(dpy);
    return 0;
}
