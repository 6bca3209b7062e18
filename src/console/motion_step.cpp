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
    const CursorPoint now = cursor_.position();
    if (now.x != target->x) {
        if (rememberedX_ != now.x) {
            activityCount_.setCaption(u"0");
        }
        rememberedX_ = now.x;
    }
    if (!guard_ || guard_->allowsPointer()) {
        cursor_.moveTo(*target);
    }
    speedLabel_.setCaption(u"速度:" + decimal(speed));
    xLabel_.setCaption(u"方向:" + decimal(target->x));
    return true;
}

} // namespace ride
