// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tests' one fixture: the installation built through the program's front door, on backends
// chosen by name from the test table (recording pointer and keys, fake serial line and sockets,
// recording media) unless a test asks for real ones. Only what lies outside the process is faked;
// the console, the player window, the network window and the hops between them are the program's.
#include "app/installation.h"
#include "support/fake_serial_line.h"
#include "support/fake_tcp_socket.h"
#include "support/no_events.h"
#include "support/scripted_question.h"
#include "support/test_backends.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace ride::testing {

struct SiteOptions {
    // No settings file: every setting takes its default.
    std::filesystem::path settingsFile = "/nonexistent/配置.ini";
    BackendNames backends = testBackendNames();
    // Backends beyond the test table, chosen by their names in `backends` (the program's own, for
    // real sockets or a real serial line).
    BackendTable moreBackends;
    // Null: the network window's yields run nothing.
    EventYield* events = nullptr;
    // Null: the test ticks the timers itself.
    TimerDriver* timers = nullptr;
    // Null: no window on screen.
    WindowViews* views = nullptr;
    // Handed to the recording pointer-and-key backend.
    FocusedWindowSource* focusedWindow = nullptr;
    InputFocus* inputFocus = nullptr;
    std::size_t channels = Frmsock::kDesignChannels;
    MonotonicClock clock = steadyNow;
    // Load the console at once (else the test calls start()).
    bool start = true;
    // A capture of the traffic, and the disk it goes to (null: files on the local disk).
    std::optional<CaptureOptions> capture;
    CaptureDisk* captureDisk = nullptr;
};

class TestSite {
public:
    explicit TestSite(SiteOptions options = {});
    ~TestSite();
    TestSite(const TestSite&) = delete;
    TestSite& operator=(const TestSite&) = delete;

    void start() { installation->start(); }

    Form1& console() { return installation->console(); }
    Form4& player() { return installation->player(); }
    // The network window, opened with "网络设置" if the operator has not opened it yet.
    Frmsock& network();
    Channel& channel(std::size_t i = 0) { return network().channel(i); }

    // The serial line brings `text`: it enters the console's arrival point, as the serial poll's
    // arrivals do.
    void arrive(TextView text);
    // Opens the network window if need be and types `host` and `port` into channel `i`'s boxes, as
    // an operator would (not saved); supervision connects on its next tick.
    Channel& pointChannelAt(TextView host, int port, std::size_t i = 0);

    // The chosen backends, for the test to drive and look at.
    TestInput& input();
    FakeCursor& cursor() { return input().pointer; }
    RecordingKeystrokes& keys() { return input().keystrokes; }
    SerialLine& serialLine() { return *backends.serial; }
    FakeSerialLine& serial();
    FakeTcpSocketFactory& sockets();
    TestMedia& media();

    // The console's log list, and how many of its lines contain `part`.
    const std::vector<Text>& log() const { return installation->console().List1.items(); }
    int logLinesWith(TextView part) const;
    // What each send typed, as text (a named key shows as "?"): with the default key strings
    // "A".."F" this tells which key boxes were forwarded.
    std::vector<std::u32string> sentCharacters();
    // How often "结束" or the console's closing asked the program to end.
    int endRequests = 0;

    ScriptedQuestion question;
    NoEvents noEvents;
    ChosenBackends backends;
    std::unique_ptr<Installation> installation;
};

} // namespace ride::testing
