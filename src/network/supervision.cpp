// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/supervision.h"

#include "base/numeric_value.h"
#include "network/endpoint.h"
#include "network/frmsock.h"
#include "network/send_queue.h"

#include <string>

namespace ride {
namespace {

Text decimalText(long long value)
{
    const std::string digits = std::to_string(value);
    return Text(digits.begin(), digits.end());
}

} // namespace

Supervision::Supervision(Frmsock& window) : window_(window)
{
    for (std::size_t i = 0; i < window_.channelCount(); ++i) {
        Channel& ch = window_.channel(i);
        // Any state but connected paints the channel red; connecting alone does not make it green.
        ch.LBLTcpState.onChange([&ch] {
            if (ch.LBLTcpState.caption() != u"7") {
                ch.LblTcpNam.setForeColor(kSilentColor);
            }
        });
    }
    window_.TMRTCPC连接状态判断.onTick([this] { pass(); });
    window_.Timer3.onTick([this] { heartbeat(); });
}

void Supervision::attach(Channel& ch)
{
    ch.WinsockTcp->onError = [this, &ch](int number, const Text& description) {
        onSocketError(ch, number, description);
    };
}

void Supervision::yieldToEvents()
{
    window_.services().events->yieldToEvents();
}

void Supervision::showState(Channel& ch)
{
    if (ch.WinsockTcp) {
        ch.LBLTcpState.setCaption(decimalText(ch.WinsockTcp->state()));
    }
}

void Supervision::pass()
{
    for (std::size_t i = 0; i < window_.channelCount(); ++i) {
        superviseChannel(window_.channel(i));
    }
}

void Supervision::superviseChannel(Channel& ch)
{
    // A channel whose socket a reload has just removed waits for the next pass.
    if (!ch.WinsockTcp) {
        return;
    }
    showState(ch);

    if (!isConfigured(ch.TxtTcpIp.text(), ch.TxtTcpPost.text())) {
        ch.LblTcpNam.setForeColor(kButtonFaceColor);
    } else {
        yieldToEvents();
        if (!ch.WinsockTcp) {
            return;
        }
        const int state = ch.WinsockTcp->state();
        const Text host = ch.WinsockTcp->remoteHost();
        const Text port = decimalText(ch.WinsockTcp->remotePort());
        const bool leaveAlone = isHealthy(state, host, port, ch.TxtTcpIp.text(), ch.TxtTcpPost.text()) ||
                                state == socket_state::kConnecting;
        if (!leaveAlone) {
            recycle(ch);
            if (!ch.WinsockTcp) {
                return;
            }
        }
        // The idle count as it stood before this tick's increment.
        if (numericValue(ch.LBLTcpState.tag()) > kRedThreshold) {
            ch.LblTcpNam.setForeColor(kSilentColor);
        }
    }

    const double idle = numericValue(ch.LBLTcpState.tag()) + 1;
    ch.LBLTcpState.setTag(shortestDecimal(idle));

    if (numericValue(window_.TXTTCP连接超时.text()) < idle) {
        if (ch.sendFlag == send_flag::kSendData) {
            window_.sendQueue().ApplySendFailurePolicy(ch.index);
        }
        ch.LBLTcpState.setTag(u"0");
        if (ch.WinsockTcp && ch.WinsockTcp->state() != socket_state::kClosed) {
            ch.WinsockTcp->close();
            ch.awaitingCompletion = false;
        }
    }
}

void Supervision::recycle(Channel& ch)
{
    if (ch.WinsockTcp->state() != socket_state::kClosed) {
        ch.WinsockTcp->close();
        ch.awaitingCompletion = false;
        yieldToEvents();
        yieldToEvents();
    }
    yieldToEvents();
    if (!ch.WinsockTcp) {
        return;
    }
    const Text& ip = ch.TxtTcpIp.text();
    const Text& port = ch.TxtTcpPost.text();
    if (ch.WinsockTcp->state() == socket_state::kClosed && isConnectable(ip, port)) {
        ch.WinsockTcp->setLocalPort(0);
        ch.WinsockTcp->setRemoteHost(ip);
        ch.WinsockTcp->setRemotePort(*portNumber(port));
        ch.WinsockTcp->connect();
        ch.awaitingCompletion = false;
        yieldToEvents();
        showState(ch);
    }
}

void Supervision::heartbeat()
{
    const double v = numericValue(window_.timer3Tag);
    window_.timer3Tag = v > kHeartbeatWrap ? Text(u"0") : shortestDecimal(v + 1);
    window_.channel(0).TxtTcpTx.setText(window_.timer3Tag);
    ++heartbeats_;
}

void Supervision::onSocketError(Channel& ch, int number, const Text& description)
{
    if (numericValue(ch.sendFlag) != number) {
        window_.LogBook(decimalText(number) + description + u".  " + ch.LblTcpNam.caption());
    }
    ch.sendFlag = decimalText(number);
}

} // namespace ride
