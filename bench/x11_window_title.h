// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether an X window carries the console's title. Qt names its top-level windows in UTF-8
// (_NET_WM_NAME) before mapping them; the classic WM_NAME of a Chinese title is not UTF-8.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <string>

namespace ride::bench {

inline const char* const kConsoleTitle = "Rovika支持鼠标和键盘171013A";

inline bool hasTitle(Display* dpy, Window w, const std::string& title)
{
    const Atom netWmName = XInternAtom(dpy, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count;
    unsigned long after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, w, netWmName, 0, 256, False, utf8, &type, &format, &count, &after, &data) != Success ||
        !data) {
        return false;
    }
    const bool match = std::string(reinterpret_cast<const char*>(data), count) == title;
    XFree(data);
    return match;
}

} // namespace ride::bench
