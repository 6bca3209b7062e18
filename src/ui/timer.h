// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A timer of the model. The platform (a Qt timer in the program, the test itself in tests)
// calls tick() when the interval has passed; the tick handler never overlaps itself: a tick
// that comes due while the handler is still running (it may yield to pending events) is skipped.
#include "base/notifier.h"

#include <string>

namespace ride {

class Timer {
public:
    Timer(std::string name, int intervalMs, bool enabled = true)
        : name_(std::move(name)), intervalMs_(intervalMs), enabled_(enabled)
    {
    }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    const std::string& name() const { return name_; }
    int intervalMs() const { return intervalMs_; }
    bool enabled() const { return enabled_; }
    bool running() const { return running_; }
    long skippedTicks() const { return skippedTicks_; }

    void setEnabled(bool enabled)
    {
        enabled_ = enabled;
        settingsChanged_.notify();
    }
    void setInterval(int intervalMs)
    {
        intervalMs_ = intervalMs;
        settingsChanged_.notify();
    }

    // A dormant timer stays enabled but the platform need not wake up for it: its owner knows
    // that a tick would find nothing to do (a fast timer over empty queues), and wakes it up when
    // there is work again. Ticks that do arrive still run.
    bool dormant() const { return dormant_; }
    void setDormant(bool dormant)
    {
        if (dormant == dormant_) {
            return;
        }
        dormant_ = dormant;
        settingsChanged_.notify();
    }

    void onTick(Notifier::Callback handler) { tick_.add(std::move(handler)); }
    // For the platform driver: the interval or the enabled state changed (restarts the count).
    void onSettingsChanged(Notifier::Callback update) { settingsChanged_.add(std::move(update)); }

    // Runs the tick handler if the timer is enabled and not already inside it.
    // Returns whether the handler ran.
    bool tick()
    {
        if (!enabled_) {
            return false;
        }
        if (running_) {
            ++skippedTicks_;
            return false;
        }
        running_ = true;
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{running_};
        tick_.notify();
        return true;
    }

private:
    std::string name_;
    int intervalMs_;
    bool enabled_;
    bool dormant_ = false;
    bool running_ = false;
    long skippedTicks_ = 0;
    Notifier tick_;
    Notifier settingsChanged_;
};

} // namespace ride
