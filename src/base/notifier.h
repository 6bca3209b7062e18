// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A list of callbacks run synchronously, in the order they were added. Safe against a callback
// that adds another callback or re-enters the notifier (the nested run sees the whole list).
#include <functional>
#include <vector>

namespace ride {

class Notifier {
public:
    using Callback = std::function<void()>;

    void add(Callback callback) { callbacks_.push_back(std::move(callback)); }

    void notify() const
    {
        // Indexing instead of iterators: a callback may append and reallocate the vector.
        for (std::size_t i = 0; i < callbacks_.size(); ++i) {
            callbacks_[i]();
        }
    }

private:
    std::vector<Callback> callbacks_;
};

} // namespace ride
