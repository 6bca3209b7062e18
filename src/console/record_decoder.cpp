// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/record_decoder.h"

#include "base/numeric_value.h"

namespace ride {
namespace {

constexpr TextView kMarker = u":::S=";
constexpr TextView kKeyBlockMark = u",DI";
constexpr std::size_t kSpeedOffset = 5;
constexpr std::size_t kDirectionOffset = 11;
constexpr std::size_t kKeyBlockOffset = 20;
constexpr std::size_t kFlagsOffset = 23;
constexpr std::size_t kFieldLength = 3;

// Like the classic Mid$: the part of `text` that exists, possibly shorter or empty.
TextView mid(TextView text, std::size_t start, std::size_t length)
{
    return start < text.size() ? text.substr(start, length) : TextView{};
}

} // namespace

RecordDecoder::RecordDecoder(TextBox& receiveBox, std::array<TextBox*, 6> flagBoxes, Label& recordLabel,
                             RecordHandler onRecord)
    : box_(receiveBox), flags_(flagBoxes), recordLabel_(recordLabel), onRecord_(std::move(onRecord))
{
    box_.onChange([this] { run(); });
}

void RecordDecoder::run()
{
    // The box is read afresh at every step: key forwarding runs nested in the flag step.
    const std::size_t p = box_.text().find(kMarker);
    if (p != Text::npos) {
        if (mid(box_.text(), p + kKeyBlockOffset, kKeyBlockMark.size()) == kKeyBlockMark) {
            for (std::size_t k = 0; k < flags_.size(); ++k) {
                flags_[k]->setText(Text(mid(box_.text(), p + kFlagsOffset + k, 1)));
            }
        }

        const std::size_t e = box_.text().find(u'.', p);
        const std::size_t distance = e == Text::npos ? 0 : e - p;
        if (distance == 27 || distance == 29) {
            ++recordsDecoded_;
            const auto speed = roundToInt32(numericValue(mid(box_.text(), p + kSpeedOffset, kFieldLength)));
            const auto direction = roundToInt32(numericValue(mid(box_.text(), p + kDirectionOffset, kFieldLength)));
            if (speed && direction) {
                onRecord_(*speed, *direction);
            } else {
                ++skippedMotions_;
            }
            recordLabel_.setCaption(Text(mid(box_.text(), p, distance + 1)));
            box_.setText({});
        }
    }

    if (box_.text().size() > kBoxLimit) {
        box_.setText({});
    }
}

} // namespace ride
