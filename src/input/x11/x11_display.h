#pragma once
// A connection of our own to an X display, as the pointer and the keystroke backends each keep
// one: opening it (with a log line naming the display when that fails), counting its protocol
// errors instead of letting Xlib end the program, reading away the events nobody asked for, and
// closing it.
//
// For the .cpp files of this room only. It names Xlib's Display but includes no X header:
// Xlib's macros break Qt's headers.
#include <string>
#include <string_view>

typedef struct _XDisplay Display;

namespace ride {

class X11Display {
public:
    // An empty name means $DISPLAY. When the display cannot be opened, logs an error for
    // `subsystem` that names the display and ends with `withoutIt` (what the program goes
    // without), and stays closed.
    X11Display(std::string_view subsystem, std::string_view displayName, std::string_view withoutIt);
    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    bool isOpen() const { return display_ != nullptr; }
    Display* get() const { return display_; }
    // The name for log lines: the one given, or "$DISPLAY".
    const std::string& shownName() const { return shownName_; }

    // Nobody reads these connections' events, but the server sends MappingNotify to every
    // client; without draining they would pile up for the life of the program.
    void drainEvents();

    // Protocol errors the server has reported on this connection, and the code of the last one.
    int errorCount() const;
    int lastErrorCode() const;

    // Waits for the server to handle every request sent, so that their errors are counted, and
    // closes the connection. Also for an owner that finds the display lacks what it needs.
    void close();

private:
    Display* display_ = nullptr;
    std::string shownName_;
};

} // namespace ride
