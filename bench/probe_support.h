#pragma once
// Pieces shared by the record benchmarks and probes: the installation built through the
// program's front door on the probe's backends, a serial line that hands out the same arrival on
// every poll (or nothing), and order statistics of a set of timings.
#include "app/installation.h"
#include "io/serial_line.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <memory>
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
