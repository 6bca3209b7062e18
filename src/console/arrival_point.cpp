// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/arrival_point.h"

#include "console/record_decoder.h"

namespace ride {

ArrivalPoint::ArrivalPoint(TextBox& receiveBox, const RecordDecoder& decoder, MonotonicClock clock)
    : box_(receiveBox), decoder_(decoder), clock_(std::move(clock))
{
}

void ArrivalPoint::arrive(const Arrival& arrival)
{
    for (const Listener& listener : listeners_) {
        listener(arrival);
    }
    if (arrival.text.empty()) {
        return;
    }
    const std::uint64_t before = decoder_.recordsDecoded();
    box_.setText(box_.text() + Text(arrival.text));
    RecordTally& tally = arrival.source.kind == LineSource::Kind::Serial ? serial_ : channels_[arrival.source.channel];
    tally.add(decoder_.recordsDecoded() - before, clock_());
}

const RecordTally& ArrivalPoint::records(const LineSource& source) const
{
    static const RecordTally none;
    if (source.kind == LineSource::Kind::Serial) {
        return serial_;
    }
    const auto found = channels_.find(source.channel);
    return found == channels_.end() ? none : found->second;
}

} // namespace ride
