// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/backend_table.h"

#include <algorithm>

namespace ride {
namespace {

template <class Backend>
void append(BackendList<Backend>& to, BackendList<Backend>&& more)
{
    for (BackendEntry<Backend>& entry : more) {
        const bool known = std::any_of(to.begin(), to.end(), [&](const auto& e) { return e.name == entry.name; });
        if (!known) {
            to.push_back(std::move(entry));
        }
    }
}

template <class Backend>
const BackendEntry<Backend>* choose(const char* kind, const BackendList<Backend>& list,
                                    const std::vector<std::string>& names, const BackendContext& context,
                                    std::vector<std::string>& problems)
{
    const BackendPick<Backend> pick = pickBackend(list, names, context);
    if (!pick.entry) {
        std::string line = std::string("no usable ") + kind + " backend";
        if (pick.refused.empty()) {
            line += ": none was asked for";
        }
        for (std::size_t i = 0; i < pick.refused.size(); ++i) {
            line += (i == 0 ? ": " : "; ") + pick.refused[i].name + ": " + pick.refused[i].reason;
        }
        problems.push_back(std::move(line));
    }
    return pick.entry;
}

} // namespace

void BackendTable::add(BackendTable more)
{
    append(input, std::move(more.input));
    append(serial, std::move(more.serial));
    append(sockets, std::move(more.sockets));
    append(media, std::move(more.media));
}

BackendChoice chooseBackends(const BackendTable& table, const BackendNames& names, const BackendContext& context)
{
    BackendChoice choice;
    choice.input = choose("pointer and keys", table.input, names.input, context, choice.problems);
    choice.serial = choose("serial line", table.serial, names.serial, context, choice.problems);
    choice.sockets = choose("socket", table.sockets, names.sockets, context, choice.problems);
    choice.media = choose("media", table.media, names.media, context, choice.problems);
    return choice;
}

ChosenBackends BackendChoice::make(const BackendContext& context) const
{
    ChosenBackends made;
    if (!usable()) {
        return made;
    }
    made.input = input->make(context);
    made.serial = serial->make(context);
    made.sockets = sockets->make(context);
    made.media = media->make(context);
    return made;
}

} // namespace ride
