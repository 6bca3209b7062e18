// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/request_ending.h"

namespace ride {

Text requestEnding(TextView request)
{
    Text ending(request.size() > 4 ? request.substr(request.size() - 4) : request);
    for (char16_t& c : ending) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    ending.resize(4, u' ');
    return ending;
}

bool isAnimationFile(TextView request)
{
    return requestEnding(request) == kAnimationEnding;
}

} // namespace ride
