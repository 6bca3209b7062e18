// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Periodic work that a backend needs done on the UI thread, such as giving borrowed keycodes back
// to the keymap. The backend says what to run and how often; whoever runs the event loop (the
// program's front door, or a test) runs it. A backend never starts a timer of its own, so the
// logic below it stays free of any toolkit.
#include <chrono>
#include <functional>
#include <string>

namespace ride {

struct Upkeep {
    // For log lines and tests: what the task is for ("keymap restore").
    std::string name;
    std::chrono::milliseconds period{1000};
    std::function<void()> run;
};

} // namespace ride
