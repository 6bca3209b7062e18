// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one connection to an X display that the pointer, the keys, the keyboard focus and the
// focused-window source share (X11Platform opens it and lends it to each): opening it, counting
// protocol errors per request instead of letting Xlib end the program, handing the events read
// from it to whoever watches them, and closing it.
//
// It names Xlib's Display and XEvent but includes no X header: Xlib's macros break Qt's headers.
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

typedef struct _XDisplay Display;
union _XEvent;

namespace ride {

// The protocol errors of a stretch of requests, and the code of the last one.
struct X11Errors {
    int count = 0;
    int lastCode = 0;
};

class X11Display {
public:
    // An empty name means $DISPLAY. Opening may fail; it logs nothing, because each user says
    // for itself what goes without the display (logUnavailable).
    explicit X11Display(std::string_view displayName);
    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    bool isOpen() const { return display_ != nullptr; }
    Display* get() const { return display_; }
    // The name for log lines: the one given, or "$DISPLAY".
    const std::string& shownName() const { return shownName_; }

    // The error line of a user of a display that could not be opened: `subsystem`, the display's
    // name, and `withoutIt` (what the program goes without).
    void logUnavailable(std::string_view subsystem, std::string_view withoutIt) const;

    // Reads every event queued on the connection and hands each to the watchers. The server
    // sends MappingNotify to every client, and the focused-window source asks for the structure
    // events of the windows it remembers; whichever user reads, the events reach the one that
    // needs them, and nothing piles up for the life of the program.
    void drainEvents();
    using EventWatcher = std::function<void(const union _XEvent&)>;
    void watchEvents(const void* owner, EventWatcher watcher);
    void unwatchEvents(const void* owner);

    // Protocol errors the server has reported on this connection, and the code of the last one.
    int errorCount() const;
    int lastErrorCode() const;

    // Each user counts the errors of its own requests: take a mark before them, wait for the
    // server (XSync or a reply), then errorsSince(mark). An error of an earlier request of
    // another user that arrives meanwhile is not counted.
    unsigned long markRequests() const;
    X11Errors errorsSince(unsigned long mark) const;

    // Waits for the server to handle every request sent, so that their errors are counted, and
    // closes the connection.
    void close();

private:
    Display* display_ = nullptr;
    std::string shownName_;
    std::vector<std::pair<const void*, EventWatcher>> watchers_;
};

} // namespace ride
