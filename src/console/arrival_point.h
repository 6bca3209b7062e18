// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where everything the controller sends enters the console. The serial poll and every TCP channel
// hand their arrivals here, each named by its line: the text is appended to the receive box, which
// decodes it at once, and the records that append completed are counted for that line. Whoever
// wants to see the traffic (a capture) listens here and sees each arrival, bytes and text, before
// the console acts on it.
#include "base/record_tally.h"
#include "io/arrival.h"
#include "ui/text_box.h"

#include <functional>
#include <map>
#include <vector>

namespace ride {

class RecordDecoder;

class ArrivalPoint {
public:
    using Listener = std::function<void(const Arrival&)>;

    ArrivalPoint(TextBox& receiveBox, const RecordDecoder& decoder, MonotonicClock clock);

    // Appends the arrival's text to the receive box (nothing when it holds none, such as the first
    // byte of a split character) and counts the records it completed for its line.
    void arrive(const Arrival& arrival);

    void listen(Listener listener) { listeners_.push_back(std::move(listener)); }

    // Records completed by what this line brought; an empty tally for a line that brought none.
    const RecordTally& records(const LineSource& source) const;

private:
    TextBox& box_;
    const RecordDecoder& decoder_;
    MonotonicClock clock_;
    std::vector<Listener> listeners_;
    RecordTally serial_;
    std::map<std::size_t, RecordTally> channels_;
};

} // namespace ride
