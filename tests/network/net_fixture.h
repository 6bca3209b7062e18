#pragma once
// The network window on the test platform: its timers ticked by the test, real sockets on
// loopback, a console receive box that decodes into a fake pointer, and a question the test
// answers.
#include "console/form1.h"
#include "network/frmsock.h"
#include "network/send_queue.h"
#include "network/supervision.h"
#include "ui/qt/qt_event_yield.h"
#include "io/qt/qt_tcp_socket.h"
#include "input/recording_keystrokes.h"
#include "settings/profile_file.h"
#include "support/fake_cursor.h"
#include "support/loopback_server.h"
#include "support/fake_serial_line.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <iterator>
#include <functional>

namespace ride::testing {

class ScriptedQuestion : public YesNoQuestion {
public:
    bool ask(TextView question) override
    {
        asked.emplace_back(question);
        if (whileOpen) {
            whileOpen();
        }
        return answer;
    }
    bool answer = true;
    std::vector<Text> asked;
    // Runs while the question is "open", as the event loop of a real modal box would.
    std::function<void()> whileOpen;
};

// Runs the Qt event loop for `ms` milliseconds.
inline void pump(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

template <class Condition>
bool pumpUntil(Condition condition, int ms = 3000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > ms) {
            return false;
        }
        pump(5);
    }
    return true;
}

class NetFixture : public ::testing::Test {
protected:
    NetFixture()
    {
        ConsoleServices cs;
        cs.settingsFile = dir / "配置.ini";
        cs.serial = &serial;
        cs.cursor = &cursor;
        cs.keys = &keys;
        console = std::make_unique<Form1>(cs);
        console->load();
    }

    std::filesystem::path ini() const { return dir / "配置.ini"; }
    void setNet(TextView key, TextView value) { WriteIni(ini(), u"网络参数", key, value); }

    // The window on real loopback sockets, or on sockets whose peer is the test.
    Frmsock& open(std::size_t channels = 1, TcpSocketFactory* socketFactory = nullptr)
    {
        NetworkServices ns;
        ns.settingsFile = ini();
        ns.sockets = socketFactory ? socketFactory : &sockets;
        ns.events = &events;
        ns.question = &question;
        ns.log = &console->List1;
        ns.consoleReceiveBox = &console->Text1;
        net = std::make_unique<Frmsock>(ns, channels);
        return *net;
    }


    Channel& ch0() { return net->channel(0); }
    const std::vector<Text>& log() const { return console->List1.items(); }
    void tickSupervision() { net->TMRTCPC连接状态判断.tick(); }

    TempDir dir;
    FakeSerialLine serial;
    FakeCursor cursor;
    RecordingKeystrokes keys;
    std::unique_ptr<Form1> console;
    QtTcpSocketFactory sockets;
    QtEventYield events;
    ScriptedQuestion question;
    std::unique_ptr<Frmsock> net;
};

} // namespace ride::testing
