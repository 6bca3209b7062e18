// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One row of the network window: the widgets that carry a channel's settings and live state,
// and its socket. The Tag of the state label is the idle count; the name label's colour is the
// liveness colour; the socket's Tag is the send flag.
#include "io/tcp_socket.h"
#include "ui/combo_box.h"
#include "ui/label.h"
#include "ui/text_box.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ride {

constexpr Color kAliveColor = rgb(0, 255, 0);
constexpr Color kSilentColor = rgb(255, 0, 0);

namespace send_flag {
inline const Text kInit = u"init";
inline const Text kSendData = u"SendData";
inline const Text kSendComplete = u"SendComplete";
inline const Text kSendErr = u"SendErr";
} // namespace send_flag

struct Channel {
    explicit Channel(std::size_t index);
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    static std::string indexed(const char* name, std::size_t index)
    {
        return std::string(name) + "(" + std::to_string(index) + ")";
    }

    const std::size_t index;
    Label LblTcpNam;
    TextBox TxtTcpNam;
    TextBox TxtTcpIp;
    TextBox TxtTcpPost;
    Label LBLTcpState;
    TextBox TxtTcpRx;
    ComboBox TxtTcpTx;
    ComboBox CMB发送失败处理方法;
    ComboBox CMDTCP同步到其它端口;

    // Null for channels 1.. until the window's load step creates it, and while a reload
    // has removed it.
    std::unique_ptr<TcpSocket> WinsockTcp;
    Text sendFlag;
    // The head of the queue went out and its completion has not come back yet: it is not sent
    // again until then, or until the connection is recycled or the failure policy has run.
    bool awaitingCompletion = false;

    // Vertical position of the row's widgets in twips (rows 8.. take that of row i mod 8), and the
    // back colour of its send box.
    double top = 0;
    Color sendBoxBackColor = 0x80000005; // the system's window colour

    // For the health export: queue items whose completion came back, and items removed unsent
    // (queue limit, failure policy).
    std::uint64_t itemsSent = 0;
    std::uint64_t itemsDropped = 0;
};

} // namespace ride
