#pragma once
// An editable drop-down box: its edit text behaves like a text box; its item list raises nothing.
#include "platform/text_box.h"

#include <vector>

namespace ride {

class ComboBox : public TextBox {
public:
    using TextBox::TextBox;

    const std::vector<Text>& items() const { return items_; }
    void addItem(Text item)
    {
        items_.push_back(std::move(item));
        itemsChanged_.notify();
    }
    void clearItems()
    {
        items_.clear();
        itemsChanged_.notify();
    }
    void onItemsChanged(Notifier::Callback update) { itemsChanged_.add(std::move(update)); }

private:
    std::vector<Text> items_;
    Notifier itemsChanged_;
};

} // namespace ride
