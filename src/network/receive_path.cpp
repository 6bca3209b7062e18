// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/receive_path.h"

#include "base/step_runner.h"
#include "network/frmsock.h"

namespace ride {

ReceivePath::ReceivePath(Frmsock& window) : window_(window)
{
    for (std::size_t i = 0; i < window_.channelCount(); ++i) {
        Channel& ch = window_.channel(i);
        ch.TxtTcpRx.onChange([&ch] {
            if (ch.TxtTcpRx.text().size() > kReceiveBoxLimit) {
                ch.TxtTcpRx.setText({});
            }
        });
    }
}

void ReceivePath::attach(Channel& ch)
{
    ch.WinsockTcp->onDataArrival = [this, &ch] { onDataArrival(ch); };
}

void ReceivePath::onDataArrival(Channel& ch)
{
    // Every step's failure is ignored: the channel is marked alive whatever happened.
    StepRunner steps;
    Received data;
    steps.run([&] {
        if (ch.WinsockTcp) {
            data = ch.WinsockTcp->takeData();
        }
    });
    steps.run([&] { ch.TxtTcpRx.setText(data.text); });
    steps.run([&] {
        const NetworkServices& services = window_.services();
        if (!data.empty() && services.deliverToConsole) {
            services.deliverToConsole({LineSource::tcpChannel(ch.index), data.bytes, data.text});
        }
    });
    steps.run([&] { ch.LBLTcpState.setTag(u"0"); });
    steps.run([&] { ch.LblTcpNam.setForeColor(kAliveColor); });
}

} // namespace ride
