// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network window: TCP client channels to the bike controller, their settings, the log
// method, and the window's three timers (supervision, heartbeat, send pass).
#include "io/arrival.h"
#include "io/tcp_socket.h"
#include "network/channel.h"
#include "ui/button.h"
#include "ui/event_yield.h"
#include "ui/form_window.h"
#include "ui/list_box.h"
#include "ui/timer.h"
#include "ui/yes_no_question.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace ride {

class ReceivePath;
class SendQueue;
class Supervision;

struct NetworkServices {
    std::filesystem::path settingsFile;
    TcpSocketFactory* sockets = nullptr;
    EventYield* events = nullptr;
    YesNoQuestion* question = nullptr;
    // The console's log list, which LogBook writes to.
    ListBox* log = nullptr;
    // Hands a channel's arrival to the console, which appends it to its receive box for decoding.
    std::function<void(const Arrival&)> deliverToConsole;
    // Told the bytes of each send a channel's socket took, as they were handed to it (heartbeats
    // and every other queue item); null: nobody listens.
    std::function<void(std::size_t channel, std::string_view bytes)> sent;
};

class Frmsock {
public:
    static constexpr double kLoadedWidth = 14925;
    static constexpr std::size_t kRowsPerBlock = 8;
    // Rows of the window's layout. This installation has one channel.
    static constexpr std::size_t kDesignChannels = 1;

    // Creates the window and runs its load step; the timers start with it.
    explicit Frmsock(NetworkServices services, std::size_t channelCount = kDesignChannels);
    ~Frmsock();
    Frmsock(const Frmsock&) = delete;
    Frmsock& operator=(const Frmsock&) = delete;

    // Reads every channel's settings into its row; connects nothing.
    void load();
    // "读取并重新配置": drops the sockets of channels 1.., lets pending events run, loads again.
    void reloadSettings();
    // "保存": the five settings of every channel, in order.
    void saveSettings();
    // A close request only hides the window.
    void requestClose() { window.hide(); }

    // Appends one line to the console's log list (and, for installers, to standard error).
    void LogBook(const Text& line);

    std::size_t channelCount() const { return channels_.size(); }
    Channel& channel(std::size_t i) { return *channels_.at(i); }
    const Channel& channel(std::size_t i) const { return *channels_.at(i); }

    ReceivePath& receivePath() { return *receive_; }
    SendQueue& sendQueue() { return *send_; }
    Supervision& supervision() { return *supervision_; }
    const NetworkServices& services() const { return services_; }

    FormWindow window{"FRMSOCK", u"网络控制调试窗口", {0, 0, 14850, 6150}};
    TextBox Text5{"Text5"};
    TextBox TXTTCP连接超时{"TXTTCP连接超时", u"15"};
    Button Command1{"Command1", u"读取并重新配置"};
    Button Command2{"Command2", u"保存"};
    Button Command3{"Command3", u"隐藏"};
    Timer TMRTCPC连接状态判断{"TMRTCPC连接状态判断", 1000};
    Timer TmrTcp发送{"TmrTcp发送", 1};
    Timer Timer3{"Timer3", 1000};
    Text timer3Tag = u"99990";

private:
    void createSocket(Channel& channel);
    // Routes the socket's notifications to the receive path, the send queue and supervision.
    void wireSocket(Channel& channel);

    NetworkServices services_;
    std::vector<std::unique_ptr<Channel>> channels_;
    std::unique_ptr<ReceivePath> receive_;
    std::unique_ptr<SendQueue> send_;
    std::unique_ptr<Supervision> supervision_;
};

} // namespace ride
