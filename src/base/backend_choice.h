// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Backends chosen by name. A list of the backends of one kind (pointer and keys, serial line,
// sockets, media), each able to say whether it can be used here and why not, and the rule that
// picks one: the first of the preferred names whose backend is usable. The program, the site
// check and the tests all pick through such lists, so a new backend is one more entry.
#include "base/finding.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ride {

// What a backend is made with.
struct BackendContext {
    // "配置.ini" beside the program; relative names in it are taken from its directory.
    std::filesystem::path settingsFile;
    // The X display to use; empty means $DISPLAY.
    std::string displayName;
};

template <class Backend>
struct BackendEntry {
    std::string name;
    // Why the backend cannot be used here, or nothing when it can. Unset: always usable.
    std::function<std::optional<std::string>(const BackendContext&)> unavailable;
    std::function<std::unique_ptr<Backend>(const BackendContext&)> make;
    // For the site check: what an installer should know about the backend here. Unset: nothing.
    std::function<std::vector<Finding>(const BackendContext&)> probe;
};

template <class Backend>
using BackendList = std::vector<BackendEntry<Backend>>;

struct BackendRefusal {
    std::string name;
    std::string reason;
};

template <class Backend>
struct BackendPick {
    // The entry chosen; null when none of the names was usable.
    const BackendEntry<Backend>* entry = nullptr;
    // The names looked at before the choice (all of them when none was chosen), with the reason
    // each was passed over.
    std::vector<BackendRefusal> refused;
};

// The first name of `preferred`, in that order, whose entry in `list` is usable here.
template <class Backend>
BackendPick<Backend> pickBackend(const BackendList<Backend>& list, const std::vector<std::string>& preferred,
                                 const BackendContext& context)
{
    BackendPick<Backend> pick;
    for (const std::string& name : preferred) {
        const BackendEntry<Backend>* entry = nullptr;
        for (const BackendEntry<Backend>& candidate : list) {
            if (candidate.name == name) {
                entry = &candidate;
                break;
            }
        }
        if (!entry) {
            pick.refused.push_back({name, "no such backend in this build"});
            continue;
        }
        if (entry->unavailable) {
            if (std::optional<std::string> why = entry->unavailable(context)) {
                pick.refused.push_back({name, std::move(*why)});
                continue;
            }
        }
        pick.entry = entry;
        return pick;
    }
    return pick;
}

} // namespace ride
