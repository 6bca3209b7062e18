// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where each channel of the network window keeps its settings: five keys in [网络参数], each a
// fixed stem followed by the channel's index in decimal ("TxtTcpIp" and 0). The window loads and
// saves them, and the site check reads them, by these names.
#include "base/text.h"

#include <cstddef>

namespace ride {

inline constexpr TextView kNetworkSection = u"网络参数";

namespace channel_setting {
inline constexpr TextView kIp = u"TxtTcpIp";
inline constexpr TextView kPort = u"TxtTcpPost";
inline constexpr TextView kName = u"TxtTcp通道名称";
inline constexpr TextView kSync = u"TxtTCP同步到其它端口";
inline constexpr TextView kPolicy = u"发送失败处理方法";
} // namespace channel_setting

// The key of one channel's setting: the stem and the index without leading zeros.
Text channelSettingKey(TextView stem, std::size_t channel);

} // namespace ride
