#pragma once
// The console as the program runs it, minus the screen: Form1 and the network window with every
// timer driven by a real Qt timer, real sockets, a serial line of the test's choice, a fake
// pointer, and keystrokes recorded instead of typed. The test only runs the event loop.
#include "console/form1.h"
#include "input/recording_keystrokes.h"
#include "io/qt/qt_tcp_socket.h"
#include "network/frmsock.h"
#include "support/fake_cursor.h"
#include "support/scripted_question.h"
#include "ui/qt/qt_binding.h"
#include "ui/qt/qt_event_yield.h"

#include <QObject>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

namespace ride::testing {

// The rig's timers run on their own; the tests pump the event loop in slices of this length while
// they wait for what the timers do.
inline constexpr std::chrono::milliseconds kRigPumpStep{10};

class ConsoleRig {
public:
    ConsoleRig(SerialLine& serial, std::filesystem::path settingsFile) : settingsFile_(std::move(settingsFile))
    {
        ConsoleServices services;
        services.settingsFile = settingsFile_;
        services.serial = &serial;
        services.cursor = &cursor;
        services.keys = &keys;
        services.showNetworkWindow = [this] { openNetwork(); };
        console = std::make_unique<Form1>(services);
        console->load();
        bindTimer(console->Timer1, &timers_);
        bindTimer(console->Timer2, &timers_);
        bindTimer(console->TMR判断是否是人操作的, &timers_);
        // The operator says "No" to the network window's question unless a test scripts otherwise.
        question.answer = false;
    }

    // What "网络设置" does: the network window is created once; its timers start with it.
    void openNetwork()
    {
        if (network) {
            return;
        }
        NetworkServices services;
        services.settingsFile = settingsFile_;
        services.sockets = &sockets;
        services.events = &events;
        services.question = &question;
        services.log = &console->List1;
        services.consoleReceiveBox = &console->Text1;
        network = std::make_unique<Frmsock>(services);
        bindTimer(network->TMRTCPC连接状态判断, &timers_);
        bindTimer(network->TmrTcp发送, &timers_);
        bindTimer(network->Timer3, &timers_);
    }

    void pointChannelAt(int port)
    {
        openNetwork();
        network->channel(0).TxtTcpIp.setText(u"127.0.0.1");
        const std::string digits = std::to_string(port);
        network->channel(0).TxtTcpPost.setText(Text(digits.begin(), digits.end()));
    }

    // The log list lines that contain `part`.
    int logLinesWith(TextView part) const
    {
        int n = 0;
        for (const Text& line : console->List1.items()) {
            n += line.find(part) != Text::npos ? 1 : 0;
        }
        return n;
    }

    FakeCursor cursor;
    RecordingKeystrokes keys;
    QtTcpSocketFactory sockets;
    QtEventYield events;
    ScriptedQuestion question;
    std::unique_ptr<Form1> console;
    std::unique_ptr<Frmsock> network;

private:
    std::filesystem::path settingsFile_;
    // Declared last, destroyed first: no timer fires into a window that is going away.
    QObject timers_;
};

} // namespace ride::testing
