// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the running program offers an assistive tool, read over the accessibility bus by
// accessible_tree.py: every top-level window and every element in it, with role, name (a
// label's live text, a button's caption, a frame's title) and description (the element's own
// name in the program, where it has one).
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace ride::testing {

struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct AccessibleElement {
    std::string window; // title of the top-level window the element belongs to
    int depth = 0;      // 0 for the window itself
    std::string parent; // name of the element it sits in (a frame's title, the window's)
    std::string role;
    std::string name;
    std::string description;
    bool showing = false;
    std::optional<ScreenRect> extents;
    std::optional<std::string> text;
    std::optional<std::string> fontFamily;
    std::optional<std::string> fontSize;
};

class AccessibleTree {
public:
    // Reads the tree of the program `pid` on `display`, waiting up to `timeout` for a window
    // with each of the titles `waitFor`.
    static AccessibleTree read(const std::string& display, int pid, const std::vector<std::string>& waitFor,
                               std::chrono::seconds timeout);

    bool complete() const { return complete_; }
    const std::vector<AccessibleElement>& elements() const { return elements_; }
    // What the script printed, for failure messages.
    const std::string& dump() const { return dump_; }

    // The top-level windows with this title.
    std::vector<const AccessibleElement*> windows(const std::string& title) const;
    // The element of window `title` that the program calls `description`.
    const AccessibleElement* named(const std::string& title, const std::string& description) const;
    // The elements nested in `element` (one of elements()), in the tree's order.
    std::vector<const AccessibleElement*> inside(const AccessibleElement& element) const;
    // The names of all elements with `role` in window `title`, in the tree's order.
    std::vector<std::string> names(const std::string& title, const std::string& role) const;

private:
    bool complete_ = false;
    std::vector<AccessibleElement> elements_;
    std::string dump_;
};

} // namespace ride::testing
