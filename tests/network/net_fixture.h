#pragma once
// The network window on the test platform: its timers ticked by the test, real sockets on
// loopback, a console receive box that decodes into a fake pointer, and a question the test
// answers.
#include "console/form1.h"
#include "input/recording_keystrokes.h"
#include "io/qt/qt_tcp_socket.h"
#include "network/frmsock.h"
#include "network/send_queue.h"
#include "network/supervision.h"
#include "settings/profile_file.h"
#include "support/fake_cursor.h"
#include "support/fake_serial_line.h"
#include "support/loopback_server.h"
#include "support/qt_event_pump.h"
#include "support/scripted_question.h"
#include "support/temp_dir.h"
#include "ui/qt/qt_event_yield.h"

#include <gtest/gtest.h>

#include <deque>

namespace ride::testing {

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
