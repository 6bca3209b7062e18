#pragma once
// The two sets of network settings that the save writer alternates between, so that after a kill
// each key can be told to hold the old value or the new one, whole.
#include "base/text.h"

#include <array>

namespace ride::testing {

inline constexpr std::array<const char16_t*, 5> kNetworkKeys = {u"TxtTcpIp0", u"TxtTcpPost0", u"TxtTcp通道名称0",
                                                                u"TxtTCP同步到其它端口0", u"发送失败处理方法0"};

// Long values, so that a torn write could not pass for a whole one.
inline Text savedValue(std::size_t key, bool second)
{
    const char16_t* const first[] = {u"192.168.1.100", u"8001", u"一号车", u"同步", u"尝试循环"};
    const char16_t* const other[] = {u"10.20.30.40", u"9002", u"二号车", u"不同步", u"只发最后一条"};
    Text value = second ? other[key] : first[key];
    value += u'|';
    while (value.size() < 100) {
        value += second ? u"乙z" : u"甲a";
    }
    return value;
}

} // namespace ride::testing
