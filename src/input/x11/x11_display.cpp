#include "input/x11/x11_display.h"

#include "base/log.h"

#include <algorithm>
#include <vector>

#include <X11/Xlib.h>

namespace ride {
namespace {

// Xlib's default error handler ends the process. Errors on our own connections are counted
// instead; everyone else's go to whatever handler was there before.
struct TrappedDisplay {
    Display* display;
    int errors;
    int lastCode;
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
    trappedDisplays().push_back({display, 0, 0});
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

X11Display::X11Display(std::string_view subsystem, std::string_view displayName, std::string_view withoutIt)
    : shownName_(displayName.empty() ? std::string("$DISPLAY") : std::string(displayName))
{
    const std::string name(displayName);
    display_ = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (!display_) {
        logError(subsystem, "cannot open X display \"" + shownName_ + "\"; " + std::string(withoutIt));
        return;
    }
    trapErrors(display_);
}

X11Display::~X11Display()
{
    close();
}

void X11Display::drainEvents()
{
    if (!display_) {
        return;
    }
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
    }
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
