// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Who runs the check, and what a file allows, in names and numbers an installer recognises.
#include <string>

#include <sys/types.h>

namespace ride {

// The name of the effective user ("uid 1234" when it has none).
std::string currentUserName();
// The name of a group ("gid 20" when it has none).
std::string groupName(gid_t group);
// Whether the process has the group as its effective or a supplementary group.
bool isMemberOfGroup(gid_t group);
// A file's permission bits as `ls -l` users write them: "0660".
std::string octalMode(mode_t mode);

} // namespace ride
