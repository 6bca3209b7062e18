// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/channel.h"

namespace ride {
namespace {

Text decimalText(std::size_t value)
{
    const std::string digits = std::to_string(value);
    return Text(digits.begin(), digits.end());
}

} // namespace

Channel::Channel(std::size_t i)
    : index(i),
      // Rows beyond the first block of eight get their caption from the load step.
      LblTcpNam(indexed("LblTcpNam", i), i < 8 ? u"TCPS" + decimalText(i) : Text()), TxtTcpNam(indexed("TxtTcpNam", i)),
      TxtTcpIp(indexed("TxtTcpIp", i), u"192.168.1.100"), TxtTcpPost(indexed("TxtTcpPost", i), u"8001"),
      LBLTcpState(indexed("LBLTcpState", i), u"-1"), TxtTcpRx(indexed("TxtTcpRx", i)), TxtTcpTx(indexed("TxtTcpTx", i)),
      CMB发送失败处理方法(indexed("CMB发送失败处理方法", i)), CMDTCP同步到其它端口(indexed("CMDTCP同步到其它端口", i))
{
}

} // namespace ride
