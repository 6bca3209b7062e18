#pragma once
// The console and the network window on the test platform, with no event loop: scripted sockets,
// a fake pointer and serial line, keystrokes recorded. For faults that need only the windows'
// logic and the settings file.
#include "console/form1.h"
#include "input/recording_keystrokes.h"
#include "network/frmsock.h"
#include "support/fake_cursor.h"
#include "support/fake_serial_line.h"
#include "support/fake_tcp_socket.h"
#include "support/scripted_question.h"

#include <filesystem>
#include <memory>

namespace ride::testing {

class NoEvents : public EventYield {
public:
    void yieldToEvents() override {}
};

struct OfflineWindows {
    explicit OfflineWindows(const std::filesystem::path& settingsFile)
    {
        ConsoleServices cs;
        cs.settingsFile = settingsFile;
        cs.serial = &serial;
        cs.cursor = &cursor;
        cs.keys = &keys;
        console = std::make_unique<Form1>(cs);
        console->load();
        NetworkServices ns;
        ns.settingsFile = settingsFile;
        ns.sockets = &sockets;
        ns.events = &events;
        ns.question = &question;
        ns.log = &console->List1;
        ns.consoleReceiveBox = &console->Text1;
        network = std::make_unique<Frmsock>(ns);
    }

    Channel& channel() { return network->channel(0); }
    void arrive(const Text& text) { console->Text1.setText(console->Text1.text() + text); }

    FakeSerialLine serial;
    FakeCursor cursor;
    RecordingKeystrokes keys;
    FakeTcpSocketFactory sockets;
    NoEvents events;
    ScriptedQuestion question; // answers "Yes"
    std::unique_ptr<Form1> console;
    std::unique_ptr<Frmsock> network;
};

} // namespace ride::testing
