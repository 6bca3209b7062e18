// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decodes bike records out of the console's receive box. A record is
//   :::S=<speed 3><any 3><direction 3><any 6>,DI<6 key flags>.   (30 characters)
// or the same with the end mark right after the fourth flag (28 characters). The decoder runs on
// every change of the box and keeps no state of its own: the box is searched anew each time.
#include "ui/label.h"
#include "ui/text_box.h"

#include <array>
#include <cstdint>
#include <functional>

namespace ride {

class RecordDecoder {
public:
    static constexpr std::size_t kBoxLimit = 200;
    using RecordHandler = std::function<void(std::int32_t speed, std::int32_t direction)>;

    RecordDecoder(TextBox& receiveBox, std::array<TextBox*, 6> flagBoxes, Label& recordLabel, RecordHandler onRecord);

    // One decoding run over the current text of the box.
    void run();

    // Records whose speed or direction did not fit a 32-bit integer (an exponent such as 9E9):
    // they are shown and consumed, but do not move the pointer.
    long skippedMotions() const { return skippedMotions_; }
    // Complete records consumed since start, whatever fed the box; a feeder that wants its own
    // count reads this before and after its append.
    std::uint64_t recordsDecoded() const { return recordsDecoded_; }

private:
    TextBox& box_;
    std::array<TextBox*, 6> flags_;
    Label& recordLabel_;
    RecordHandler onRecord_;
    long skippedMotions_ = 0;
    std::uint64_t recordsDecoded_ = 0;
};

} // namespace ride
