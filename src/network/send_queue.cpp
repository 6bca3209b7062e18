// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/send_queue.h"

#include "base/step_runner.h"
#include "network/frmsock.h"
#include "network/hex_item.h"
#include "network/send_failure_policy.h"

#include <string>

namespace ride {
namespace {

constexpr TextView kNotQueuedPrefix = u"发送缓存:";

Text errorLine(const StepRunner& steps)
{
    const std::string number = std::to_string(steps.lastFailureNumber());
    return Text(number.begin(), number.end()) + fromUtf8(*steps.lastFailure()) + u"TCPS发送出错";
}

} // namespace

SendQueue::SendQueue(Frmsock& window) : window_(window)
{
    for (std::size_t i = 0; i < window_.channelCount(); ++i) {
        Channel& ch = window_.channel(i);
        ch.TxtTcpTx.onChange([this, &ch] { enqueue(ch); });
    }
    window_.TmrTcp发送.onTick([this] { sendPass(); });
}

void SendQueue::attach(Channel& ch)
{
    ch.WinsockTcp->onSendComplete = [this, &ch] { onSendComplete(ch); };
}

void SendQueue::enqueue(Channel& ch)
{
    StepRunner steps;
    steps.run([&] {
        const Text& t = ch.TxtTcpTx.text();
        if (!t.empty() && TextView(t).substr(0, kNotQueuedPrefix.size()) != kNotQueuedPrefix) {
            ch.TxtTcpTx.addItem(t);
            window_.TmrTcp发送.setDormant(false);
        }
    });
    steps.run([&] {
        while (ch.TxtTcpTx.itemCount() > kQueueLimit) {
            ch.TxtTcpTx.removeFirstItem();
            ++ch.itemsDropped;
        }
    });
    if (steps.lastFailure()) {
        window_.LogBook(errorLine(steps));
    }
}

void SendQueue::sendPass()
{
    StepRunner steps;
    bool anyQueued = false;
    for (std::size_t i = 0; i < window_.channelCount(); ++i) {
        Channel& ch = window_.channel(i);
        anyQueued = anyQueued || ch.TxtTcpTx.itemCount() > 0;
        if (ch.TxtTcpTx.itemCount() == 0 || !ch.WinsockTcp) {
            continue;
        }
        if (ch.sendFlag != send_flag::kSendData) {
            ch.sendFlag = send_flag::kSendData;
        }
        if (ch.WinsockTcp->state() == socket_state::kConnected && ch.sendFlag == send_flag::kSendData) {
            // One item in flight at a time: a completion then always removes the item it
            // completes, and nothing goes out twice or is dropped unsent.
            if (!ch.awaitingCompletion) {
                steps.run([&] {
                    const Text& head = ch.TxtTcpTx.items().front();
                    const bool hex = isHexItem(head);
                    const std::string bytes = hex ? decodeHexItem(head) : std::string();
                    const std::optional<SocketFailure> failure =
                        hex ? ch.WinsockTcp->sendBytes(bytes) : ch.WinsockTcp->sendText(head);
                    if (failure) {
                        // The pass's one log line reports it, with its number.
                        throw NumberedFailure(failure->number, failure->description);
                    }
                    ch.awaitingCompletion = true;
                    // A text goes out GBK-encoded, as the socket encodes it.
                    if (const auto& sent = window_.services().sent) {
                        sent(ch.index, hex ? bytes : toGbk(head));
                    }
                });
            }
            continue;
        }
        ch.awaitingCompletion = false;
        steps.run([&] {
            if (sendFailurePolicyNamed(ch.CMB发送失败处理方法.text()) == SendFailurePolicy::DropItem) {
                ch.TxtTcpTx.removeFirstItem();
                ++ch.itemsDropped;
            }
        });
    }
    if (steps.lastFailure()) {
        window_.LogBook(errorLine(steps));
    }
    // A pass over empty queues does nothing, so the platform need not wake a thousand times a
    // second for it; the next enqueue wakes the timer.
    window_.TmrTcp发送.setDormant(!anyQueued);
}

void SendQueue::onSendComplete(Channel& ch)
{
    if (ch.TxtTcpTx.itemCount() > 0) {
        ++ch.itemsSent;
    }
    ch.TxtTcpTx.removeFirstItem();
    ch.awaitingCompletion = false;
    ch.LBLTcpState.setTag(u"0");
    ch.LblTcpNam.setForeColor(kAliveColor);
    ch.sendFlag = send_flag::kSendComplete;
}

void SendQueue::ApplySendFailurePolicy(std::size_t channelIndex)
{
    Channel& ch = window_.channel(channelIndex);
    StepRunner steps;
    // The five names exclude each other and nothing runs between the tests, so one reading of the
    // name decides. The question is the only step that waits.
    steps.run([&] {
        const SendFailurePolicy policy = sendFailurePolicyNamed(ch.CMB发送失败处理方法.text());
        bool resend = true;
        if (policy == SendFailurePolicy::AskOperator) {
            resend = window_.services().question->ask(u"是否重新发送？");
        }
        for (std::size_t n = itemsToDrop(policy, ch.TxtTcpTx.itemCount(), resend); n > 0; --n) {
            ch.TxtTcpTx.removeFirstItem();
            ++ch.itemsDropped;
        }
    });
    ch.awaitingCompletion = false;
    ch.sendFlag = send_flag::kSendErr;
}

} // namespace ride
