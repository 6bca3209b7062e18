// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/x11/x11_display.h"

#include "base/log.h"

#include <algorithm>
#include <cstddef>
#include <deque>

#include <X11/Xlib.h>

namespace ride {
namespace {

// Errors are kept with the serial of the request that drew them, for errorsSince(); a user
// looks right after its own requests, so the last few suffice.
constexpr std::size_t kErrorsKept = 64;

struct ReportedError {
    unsigned long serial;
    int code;
};

// Xlib's default error handler ends the process. Errors on our own connections are counted
// instead; everyone else's go to whatever handler was there before.
struct TrappedDisplay {
    Display* display;
    int errors;
    int lastCode;
    std::deque<ReportedError> recent;
};

std::vector<TrappedDisplay>& trappedDisplays()
{
    static std::vector<TrappedDisplay> list;
    return list;
}

XErrorHandler previousErrorHandler = nullptr;

int onXError(Display* display, XErrorEvent* event)
{
    for (TrappedDisplay& entry : trappedDisplays()) {
        if (entry.display == display) {
            ++entry.errors;
            entry.lastCode = event->error_code;
            entry.recent.push_back({event->serial, event->error_code});
            if (entry.recent.size() > kErrorsKept) {
                entry.recent.pop_front();
            }
            return 0;
        }
    }
    return previousErrorHandler ? previousErrorHandler(display, event) : 0;
}

void trapErrors(Display* display)
{
    static bool installed = false;
    if (!installed) {
        previousErrorHandler = XSetErrorHandler(onXError);
        installed = true;
    }
    trappedDisplays().push_back({display, 0, 0, {}});
}

void untrapErrors(Display* display)
{
    std::erase_if(trappedDisplays(), [display](const TrappedDisplay& entry) { return entry.display == display; });
}

const TrappedDisplay* trapped(Display* display)
{
    const auto& list = trappedDisplays();
    const auto found = std::find_if(list.begin(), list.end(),
                                    [display](const TrappedDisplay& entry) { return entry.display == display; });
    return found == list.end() ? nullptr : &*found;
}

} // namespace

X11Display::X11Display(std::string_view displayName)
    : shownName_(displayName.empty() ? std::string("$DISPLAY") : std::string(displayName))
{
    const std::string name(displayName);
    display_ = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (display_) {
        trapErrors(display_);
    }
}

X11Display::~X11Display()
{
    close();
}

void X11Display::logUnavailable(std::string_view subsystem, std::string_view withoutIt) const
{
    logError(subsystem, "cannot open X display \"" + shownName_ + "\"; " + std::string(withoutIt));
}

void X11Display::drainEvents()
{
    if (!display_) {
        return;
    }
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        for (const auto& [owner, watcher] : watchers_) {
            watcher(event);
        }
    }
}

void X11Display::watchEvents(const void* owner, EventWatcher watcher)
{
    unwatchEvents(owner);
    watchers_.emplace_back(owner, std::move(watcher));
}

void X11Display::unwatchEvents(const void* owner)
{
    std::erase_if(watchers_, [owner](const auto& entry) { return entry.first == owner; });
}

int X11Display::errorCount() const
{
    const TrappedDisplay* entry = trapped(display_);
    return entry ? entry->errors : 0;
}

int X11Display::lastErrorCode() const
{
    const TrappedDisplay* entry = trapped(display_);
    return entry ? entry->lastCode : 0;
}

unsigned long X11Display::markRequests() const
{
    // With xcb requests in between, Xlib's count may lag behind the real one; the mark is then
    // early, which is harmless: errors of xcb requests come back with their replies, never here.
    return display_ ? XNextRequest(display_) : 0;
}

X11Errors X11Display::errorsSince(unsigned long mark) const
{
    X11Errors out;
    const TrappedDisplay* entry = trapped(display_);
    if (!entry) {
        return out;
    }
    for (const ReportedError& error : entry->recent) {
        if (error.serial >= mark) {
            ++out.count;
            out.lastCode = error.code;
        }
    }
    return out;
}

void X11Display::close()
{
    if (!display_) {
        return;
    }
    XSync(display_, False);
    untrapErrors(display_);
    XCloseDisplay(display_);
    display_ = nullptr;
}

} // namespace ride
