// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An editable drop-down box: its edit text behaves like a text box; its item list raises nothing
// in the logic (the view follows it item by item, so a long list stays cheap to keep in step).
// The list belongs to the logic: the view shows it and never adds to it. Choosing an entry from
// the list is not typing: the entry becomes the edit text and no change handling runs.
#include "ui/text_box.h"

#include <deque>
#include <functional>
#include <vector>

namespace ride {

class ComboBox : public TextBox {
public:
    enum class ItemChange { Appended, FirstRemoved, Cleared };

    using TextBox::TextBox;

    const std::deque<Text>& items() const { return items_; }
    std::size_t itemCount() const { return items_.size(); }

    void addItem(Text item)
    {
        items_.push_back(std::move(item));
        notifyItems(ItemChange::Appended);
    }
    void removeFirstItem()
    {
        if (items_.empty()) {
            return;
        }
        items_.pop_front();
        notifyItems(ItemChange::FirstRemoved);
    }
    void clearItems()
    {
        items_.clear();
        notifyItems(ItemChange::Cleared);
    }

    // The operator chose entry `index` from the list; an index past the end chooses nothing.
    void chooseItem(std::size_t index)
    {
        if (index < items_.size()) {
            showTextQuietly(items_[index]);
        }
    }

    void onItemsChanged(std::function<void(ItemChange)> update) { itemViews_.push_back(std::move(update)); }

private:
    void notifyItems(ItemChange change) const
    {
        for (std::size_t i = 0; i < itemViews_.size(); ++i) {
            itemViews_[i](change);
        }
    }

    std::deque<Text> items_;
    std::vector<std::function<void(ItemChange)>> itemViews_;
};

} // namespace ride
