// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which top-level window has the keyboard focus: the console asks before it types a key string,
// when the installer has named the window that may receive keys. No platform headers here.
#include <optional>
#include <string>
#include <vector>

namespace ride {

struct FocusedWindow {
    enum class Kind {
        Client,  // a top-level window of some program holds the focus (perhaps one of its children)
        Nothing, // the focus is on the root window, on no window, or follows the pointer
        Unknown, // the display could not be asked (no display, a window gone while asking)
    };

    Kind kind = Kind::Unknown;
    // The top-level client window, for telling one focus holder from the next.
    unsigned long id = 0;
    // WM_CLASS: instance and class name; empty when the window has no WM_CLASS.
    std::optional<std::string> instance;
    std::optional<std::string> windowClass;
    // _NET_WM_NAME, else WM_NAME, as UTF-8; empty when the window has neither.
    std::optional<std::string> title;

    bool operator==(const FocusedWindow&) const = default;
};

// `class "instance" "class", title "title"` for log lines and reports; "none" for a name the
// window lacks. Control characters become "?" and a long name keeps its first 80 bytes (whole
// characters), so that a program's title cannot break or flood the line.
std::string describeNames(const FocusedWindow& window);

class FocusedWindowSource {
public:
    virtual ~FocusedWindowSource() = default;
    // Asks the display now. Never throws and never blocks longer than the display's round trips.
    virtual FocusedWindow focusedWindow() = 0;
    // The top-level windows of the programs on screen now, with their names; for the site check.
    // Empty where the platform cannot list them.
    virtual std::vector<FocusedWindow> windowsOnScreen() { return {}; }
};

} // namespace ride
