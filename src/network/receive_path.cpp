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
    Text data;
    steps.run([&] {
        if (ch.WinsockTcp) {
            data = ch.WinsockTcp->takeData();
        }
    });
    steps.run([&] { ch.TxtTcpRx.setText(data); });
    steps.run([&] {
        const NetworkServices& services = window_.services();
        TextBox& console = *services.consoleReceiveBox;
        if (!data.empty()) {
            const std::uint64_t before = services.consoleRecordCount ? services.consoleRecordCount() : 0;
            console.setText(console.text() + data);
            if (services.consoleRecordCount) {
                ch.records.add(services.consoleRecordCount() - before, services.clock());
            }
        }
    });
    steps.run([&] { ch.LBLTcpState.setTag(u"0"); });
    steps.run([&] { ch.LblTcpNam.setForeColor(kAliveColor); });
}

} // namespace ride
