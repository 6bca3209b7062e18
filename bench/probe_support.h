// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pieces shared by the record benchmarks and probes: the installation built through the
// program's front door on the probe's backends, a serial line that hands out the same arrival on
// every poll (or nothing), and order statistics of a set of timings.
#include "app/installation.h"
#include "io/serial_line.h"
#include "service/ui_priority.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <dlfcn.h>

namespace ride::bench {

class RepeatingSerialLine : public SerialLine {
public:
    bool setSettings(TextView) override { return true; }
    void setPortNumber(int) override {}
    void setDevicePath(std::string) override {}
    std::string deviceName() const override { return {}; }
    bool open() override { return true; }
    bool isOpen() const override { return true; }
    Received readAll() override { return {toGbk(arrival), arrival}; }

    Text arrival; // empty: nothing ever arrives
};

// The priority step the program takes at start, taken by the probe's thread, which stands in
// for the console's UI thread; says what came of it.
// RIDE_BENCH_NO_PRIORITY_STEP (bench/pointer_latency.sh --no-priority-step) leaves it out, to
// show what it adds.
inline void takeTheConsolesPriorityStep()
{
    if (std::getenv("RIDE_BENCH_NO_PRIORITY_STEP") != nullptr) {
        std::printf("probe thread at the nice it was started with: the priority step left out\n");
        return;
    }
    const UiPriority priority = raiseUiThreadPriority();
    std::printf("probe thread at nice %d%s%s\n", priority.nice, priority.raised ? "" : ": not raised, ",
                priority.refusal.c_str());
}

// The installation with default settings (no settings file), loaded, on `platform`'s backends.
inline std::unique_ptr<Installation> benchInstallation(Platform platform)
{
    auto site = std::make_unique<Installation>(std::move(platform), InstallationOptions{"/nonexistent/配置.ini"});
    site->start();
    return site;
}

inline double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Nearest-rank quantile, q in [0, 1]; sorts `values`.
inline double quantile(std::vector<double>& values, double q)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(q * double(values.size() - 1) + 0.5);
    return values[std::min(rank, values.size() - 1)];
}

// How long a thread has waited for a core, in milliseconds, from the kernel's schedstat (its
// second field): the X server's (RIDE_BENCH_XSERVER_PID, which bench/pointer_latency.sh sets,
// single-threaded as Xvfb is) or the probe's own. Unavailable reads as 0.
class RunQueueWait {
public:
    static RunQueueWait xServer()
    {
        const char* pid = std::getenv("RIDE_BENCH_XSERVER_PID");
        return RunQueueWait(pid ? std::string("/proc/") + pid + "/schedstat" : std::string());
    }
    static RunQueueWait thisThread() { return RunQueueWait("/proc/thread-self/schedstat"); }

    bool available() const { return !path_.empty(); }
    double milliseconds() const
    {
        std::ifstream in(path_);
        std::uint64_t running = 0;
        std::uint64_t waiting = 0;
        in >> running >> waiting;
        return double(waiting) / 1e6;
    }

private:
    explicit RunQueueWait(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

// Where the slowest records' time went: for those at or above the 99th percentile, the mean of
// their whole time, of the X server's wait for a core and of the probe's own during them.
inline void reportSlowest(const std::vector<double>& total, const std::vector<double>& xWait,
                          const std::vector<double>& ownWait)
{
    if (total.empty() || xWait.size() != total.size() || ownWait.size() != total.size()) {
        return;
    }
    std::vector<double> sorted = total;
    std::sort(sorted.begin(), sorted.end());
    const double threshold = sorted[static_cast<std::size_t>(0.99 * double(sorted.size() - 1) + 0.5)];
    double sumTotal = 0;
    double sumX = 0;
    double sumOwn = 0;
    int n = 0;
    for (std::size_t i = 0; i < total.size(); ++i) {
        if (total[i] >= threshold) {
            sumTotal += total[i];
            sumX += xWait[i];
            sumOwn += ownWait[i];
            ++n;
        }
    }
    std::printf("  slowest 1%% (%d, from %.3f ms): mean %.3f ms, of which the X server waited for a core %.3f ms, "
                "the probe %.3f ms\n",
                n, threshold, sumTotal / n, sumX / n, sumOwn / n);
}

// Tells bench/round_trip_counter.cpp, when it is preloaded, which stretch of work the waits for
// the X server that follow belong to (an empty name: none), and that one unit of it (a record, a
// key string) begins. Without it loaded these do nothing.
inline void roundTripPhase(const char* name)
{
    static const auto set = reinterpret_cast<void (*)(const char*)>(dlsym(RTLD_DEFAULT, "ride_round_trip_phase"));
    if (set) {
        set(name);
    }
}

inline void roundTripUnit()
{
    static const auto next = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "ride_round_trip_unit"));
    if (next) {
        next();
    }
}

} // namespace ride::bench
