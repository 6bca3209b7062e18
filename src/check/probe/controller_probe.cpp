// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/probe/controller_probe.h"

#include "base/qt/qt_text.h"
#include "network/channel_settings.h"
#include "network/endpoint.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>

namespace ride {

void probeControllers(const SiteSettings& site, CheckReport& report, std::chrono::milliseconds limit)
{
    for (std::size_t i = 0; i < site.channels.size(); ++i) {
        const SiteSettings::Channel& ch = site.channels[i];
        if (!isConnectable(ch.ip, ch.port)) {
            continue; // the review has said why the channel never connects
        }
        const std::string n = std::to_string(i);
        const std::string head = settingName(kNetworkSection, channelSettingKey(channel_setting::kIp, i)) + " = \"" +
                                 toUtf8(ch.ip) + "\", " + toUtf8(channelSettingKey(channel_setting::kPort, i)) +
                                 " = \"" + toUtf8(ch.port) + "\": ";
        const QString host = toQString(ch.ip);
        const auto port = static_cast<quint16>(*portNumber(ch.port));

        QElapsedTimer clock;
        clock.start();
        const QHostInfo lookup = QHostInfo::fromName(host);
        if (lookup.error() != QHostInfo::NoError || lookup.addresses().isEmpty()) {
            report.warning(head + "the address does not resolve (" + lookup.errorString().toStdString() + ")");
            continue;
        }
        const QHostAddress address = lookup.addresses().first();
        const std::string endpoint = address.toString().toStdString() + ":" + std::to_string(port);
        const int left = std::max(1, static_cast<int>(limit.count() - clock.elapsed()));

        QTcpSocket socket;
        socket.connectToHost(address, port);
        if (socket.waitForConnected(left)) {
            report.ok(head + "a controller answers at " + endpoint + " (channel " + n +
                      " connects once the operator first presses 网络设置)");
            socket.abort();
            continue;
        }
        switch (socket.error()) {
        case QAbstractSocket::ConnectionRefusedError:
            report.warning(head + endpoint + " refused the connection: no controller listens there (switched off?)");
            break;
        case QAbstractSocket::SocketTimeoutError:
            report.warning(head + "no answer from " + endpoint + " within " + std::to_string(limit.count() / 1000) +
                           " s: the controller is off or unreachable");
            break;
        default: report.warning(head + endpoint + ": " + socket.errorString().toStdString()); break;
        }
        socket.abort();
    }
}

} // namespace ride
