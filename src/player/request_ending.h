// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which player a media request goes to, by its ending: the player window plays it, and the site
// check tells the installer which program a video setting needs.
#include "base/text.h"

namespace ride {

// The last four characters of a request in capitals; a shorter request padded with blanks.
Text requestEnding(TextView request);

inline constexpr TextView kAnimationEnding = u".SWF";

// Whether a request ends in ".SWF" (in any letter case): the animation program plays it, not the
// video player.
bool isAnimationFile(TextView request);

} // namespace ride
