// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/x11/x11_cursor.h"

#include "input/x11/x11_display.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

namespace ride {
namespace {

// A server that has left this many questions unanswered is not going to answer soon: the next
// one waits rather than piling up more.
constexpr std::size_t kMostOutstanding = 256;

} // namespace

X11Cursor::X11Cursor(X11Display& display) : display_(display)
{
    if (display_.isOpen()) {
        root_ = DefaultRootWindow(display_.get());
        xcb_ = XGetXCBConnection(display_.get());
    } else {
        display_.logUnavailable("cursor", "the pointer will not move");
    }
}

bool X11Cursor::connected() const
{
    return display_.isOpen();
}

CursorPoint X11Cursor::position()
{
    if (!display_.isOpen()) {
        return {};
    }
    collect(true); // earlier questions are answered first
    Window rootReturn = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int winX = 0;
    int winY = 0;
    unsigned int mask = 0;
    XQueryPointer(display_.get(), root_, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask);
    display_.drainEvents();
    return {rootX, rootY};
}

void X11Cursor::moveTo(CursorPoint where)
{
    if (!display_.isOpen()) {
        return;
    }
    // The protocol carries 16-bit coordinates: clamp, or 99999 would wrap to a negative
    // number and land on the wrong edge. The server then keeps the pointer on the screen.
    constexpr int lo = std::numeric_limits<std::int16_t>::min();
    constexpr int hi = std::numeric_limits<std::int16_t>::max();
    XWarpPointer(display_.get(), None, root_, 0, 0, 0, 0, std::clamp(where.x, lo, hi), std::clamp(where.y, lo, hi));
    // Flushed at once: the warp must not wait in the buffer for the next request of the keys or
    // the focus on the same connection. The flush also sends a question observe() left queued.
    XFlush(display_.get());
    display_.drainEvents();
    collect(false);
}

void X11Cursor::observe(Seen seen)
{
    if (!display_.isOpen()) {
        seen({});
        return;
    }
    collect(pending_.size() >= kMostOutstanding);
    // On the connection, the question goes ahead of the warp that may follow: the answer is
    // where the pointer stood before it. It goes out with that warp's flush, or with the next.
    const xcb_query_pointer_cookie_t cookie = xcb_query_pointer(xcb_, static_cast<xcb_window_t>(root_));
    pending_.push_back({cookie.sequence, std::move(seen)});
}

void X11Cursor::settle()
{
    if (display_.isOpen()) {
        collect(true);
    }
}

void X11Cursor::collect(bool wait)
{
    if (wait && !pending_.empty()) {
        XFlush(display_.get());
    }
    while (!pending_.empty()) {
        void* answer = nullptr;
        xcb_generic_error_t* error = nullptr;
        const unsigned int sequence = pending_.front().sequence;
        if (wait) {
            answer = xcb_query_pointer_reply(xcb_, xcb_query_pointer_cookie_t{sequence}, &error);
        } else if (xcb_poll_for_reply(xcb_, sequence, &answer, &error) == 0) {
            return;
        }
        // Without an answer (the connection broke) the pointer reads as it does without a
        // display.
        CursorPoint at;
        if (const auto* reply = static_cast<const xcb_query_pointer_reply_t*>(answer)) {
            at = {reply->root_x, reply->root_y};
        }
        std::free(answer);
        std::free(error);
        // Taken off first: what `seen` sets off may ask again.
        const Seen seen = std::move(pending_.front().seen);
        pending_.pop_front();
        seen(at);
    }
}

} // namespace ride
