// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/channel_settings.h"

#include <string>

namespace ride {

Text channelSettingKey(TextView stem, std::size_t channel)
{
    const std::string digits = std::to_string(channel);
    return Text(stem) + Text(digits.begin(), digits.end());
}

} // namespace ride
