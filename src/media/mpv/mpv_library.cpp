// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/mpv/mpv_library.h"

#include "base/log.h"

#include <dlfcn.h>

#include <string>

namespace ride {
namespace {

// The major version the client API of the headers belongs to.
constexpr const char* kLibraryName = "libmpv.so.2";

template <class Function>
bool resolve(void* handle, const char* name, Function& out)
{
    out = reinterpret_cast<Function>(dlsym(handle, name));
    if (!out) {
        logError("video", std::string(kLibraryName) + " has no " + name);
    }
    return out != nullptr;
}

const MpvLibrary* load()
{
    void* handle = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        logError("video", std::string("cannot load ") + kLibraryName + ": " + (reason ? reason : "unknown error") +
                              "; no video will be shown");
        return nullptr;
    }
    static MpvLibrary library;
    const bool complete =
        resolve(handle, "mpv_create", library.create) && resolve(handle, "mpv_initialize", library.initialize) &&
        resolve(handle, "mpv_terminate_destroy", library.terminateDestroy) &&
        resolve(handle, "mpv_set_option", library.setOption) &&
        resolve(handle, "mpv_set_option_string", library.setOptionString) &&
        resolve(handle, "mpv_set_property_string", library.setPropertyString) &&
        resolve(handle, "mpv_set_wakeup_callback", library.setWakeupCallback) &&
        resolve(handle, "mpv_command", library.command) && resolve(handle, "mpv_command_ret", library.commandRet) &&
        resolve(handle, "mpv_free_node_contents", library.freeNodeContents) &&
        resolve(handle, "mpv_wait_event", library.waitEvent) &&
        resolve(handle, "mpv_error_string", library.errorString);
    // The library stays loaded for the life of the program: its threads may outlive a player.
    return complete ? &library : nullptr;
}

} // namespace

const MpvLibrary* mpvLibrary()
{
    static const MpvLibrary* const library = load();
    return library;
}

} // namespace ride
