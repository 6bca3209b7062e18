// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A list box of lines, such as the console's log list.
#include "base/notifier.h"
#include "base/text.h"

#include <string>
#include <vector>

namespace ride {

class ListBox {
public:
    explicit ListBox(std::string name) : name_(std::move(name)) {}
    ListBox(const ListBox&) = delete;
    ListBox& operator=(const ListBox&) = delete;

    const std::string& name() const { return name_; }
    const std::vector<Text>& items() const { return items_; }
    void addItem(Text item)
    {
        items_.push_back(std::move(item));
        added_.notify();
    }
    // Runs after each added line; the view appends items().back().
    void onItemAdded(Notifier::Callback update) { added_.add(std::move(update)); }

private:
    std::string name_;
    std::vector<Text> items_;
    Notifier added_;
};

} // namespace ride
