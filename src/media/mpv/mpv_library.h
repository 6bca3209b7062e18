// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// libmpv, loaded when the video core first starts rather than when the program starts: its
// decoders pull in many shared libraries, which would delay the console's windows
// (docs/performance.md).
#include <mpv/client.h>

#include <utility>

namespace ride {

// Options for every core: it reads the one file it is given and nothing that happens to lie beside
// it (subtitles, sound tracks, cover images), since the program's directory, where the videos
// usually are, is writable by a whole group.
inline constexpr std::pair<const char*, const char*> kNamedFileOnly[] = {
    {"sub-auto", "no"},
    {"audio-file-auto", "no"},
    {"cover-art-auto", "no"},
};

struct MpvLibrary {
    decltype(&::mpv_create) create;
    decltype(&::mpv_initialize) initialize;
    decltype(&::mpv_terminate_destroy) terminateDestroy;
    decltype(&::mpv_set_option) setOption;
    decltype(&::mpv_set_option_string) setOptionString;
    decltype(&::mpv_set_property_string) setPropertyString;
    decltype(&::mpv_set_wakeup_callback) setWakeupCallback;
    decltype(&::mpv_command) command;
    decltype(&::mpv_command_ret) commandRet;
    decltype(&::mpv_free_node_contents) freeNodeContents;
    decltype(&::mpv_wait_event) waitEvent;
    decltype(&::mpv_error_string) errorString;
};

// The library, loaded on the first call; null (with one log line) when it cannot be loaded.
const MpvLibrary* mpvLibrary();

} // namespace ride
