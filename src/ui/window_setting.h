// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window's position or size as the settings give it: pixels, turned into twips by the fixed
// factor 15 whatever the display. The console and the player window place themselves by it, and
// the site check reports what they make of a value.
#include "base/numeric_value.h"
#include "ui/form_window.h"

#include <cmath>
#include <optional>

namespace ride {

// The setting's numeric value in pixels; none when that is no finite number of twips ("1E400",
// or "1E308" once multiplied by 15).
inline std::optional<double> windowSettingPixels(TextView setting)
{
    const double pixels = numericValue(setting);
    if (!std::isfinite(pixels * kTwipsPerPixel)) {
        return std::nullopt;
    }
    return pixels;
}

// The same in twips; a value that is not usable counts as 0, like a missing one.
inline double windowSettingTwips(TextView setting)
{
    return windowSettingPixels(setting).value_or(0) * kTwipsPerPixel;
}

} // namespace ride
