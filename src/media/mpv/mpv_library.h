#pragma once
// libmpv, loaded when the first video is asked for rather than when the program starts: its
// decoders pull in many shared libraries, a cost in start-up time and idle memory that an
// installation playing no video should not pay (docs/performance.md).
#include <mpv/client.h>

namespace ride {

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
