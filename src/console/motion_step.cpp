// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/motion_step.h"

#include "base/numeric_value.h"

#include <algorithm>
#include <limits>
#include <string>

namespace ride {
namespace {

Text decimal(std::int32_t value)
{
    const std::string digits = std::to_string(value);
    return Text(digits.begin(), digits.end());
}

} // namespace

std::optional<CursorPoint> pointerTarget(const MotionSettings& settings, std::int32_t speed, std::int32_t direction)
{
    // The product is a 32-bit integer product; one that overflows has no position.
    const std::int64_t product = std::int64_t(settings.xTravel) * direction;
    if (product < std::numeric_limits<std::int32_t>::min() || product > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    const auto x = roundToInt32(double(settings.xTravel) - double(product) / 180.0);
    auto y = roundToInt32(double(settings.yTravel) / 2.0 - double(speed) * settings.speedCoefficient);
    if (!x || !y) {
        return std::nullopt;
    }
    return CursorPoint{*x, std::max(*y, 0)};
}

MotionStep::MotionStep(Cursor& cursor, Label& speedLabel, Label& xLabel, Label& activityCount, TargetWindowGuard* guard)
    : cursor_(cursor), speedLabel_(speedLabel), xLabel_(xLabel), activityCount_(activityCount), guard_(guard)
{
}

bool MotionStep::operator()(std::int32_t speed, std::int32_t direction)
{
    const auto target = pointerTarget(settings_, speed, direction);
    if (!target) {
        return false;
    }
    // Asked without waiting: on a display the answer is a round trip, which on a busy machine
    // costs the display server's next turn at a core. The answers come in record order, so the
    // count and the remembered position go through the same states as if each were read here.
    cursor_.observe([self = std::weak_ptr<MotionStep*>(self_), targetX = target->x](CursorPoint seen) {
        if (const auto step = self.lock()) {
            (*step)->note(seen.x, targetX);
        }
    });
    if (!guard_ || guard_->allowsPointer()) {
        cursor_.moveTo(*target);
    }
    speedLabel_.setCaption(u"速度:" + decimal(speed));
    xLabel_.setCaption(u"方向:" + decimal(target->x));
    return true;
}

void MotionStep::note(std::int32_t seenX, std::int32_t targetX)
{
    if (seenX == targetX) {
        return;
    }
    if (rememberedX_ != seenX) {
        activityCount_.setCaption(u"0");
    }
    rememberedX_ = seenX;
}

} // namespace ride
