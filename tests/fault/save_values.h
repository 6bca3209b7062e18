// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two sets of network settings that the save writer alternates between, so that after a kill
// each key can be told to hold the old value or the new one, whole.
#include "base/text.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

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

// The lines of a settings file's bytes, each with its line end.
inline std::vector<std::string> linesOf(const std::string& bytes)
{
    std::vector<std::string> lines;
    for (std::size_t begin = 0; begin < bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', begin), bytes.size() - 1) + 1;
        lines.push_back(bytes.substr(begin, end - begin));
        begin = end;
    }
    return lines;
}

// Which of the five keys `line` holds, if any.
inline std::optional<std::size_t> networkKeyOf(const std::string& line)
{
    for (std::size_t k = 0; k < kNetworkKeys.size(); ++k) {
        if (line.rfind(toGbk(kNetworkKeys[k]) + "=", 0) == 0) {
            return k;
        }
    }
    return std::nullopt;
}

} // namespace ride::testing
