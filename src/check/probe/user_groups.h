#pragma once
// Who runs the check, in names an installer recognises.
#include <string>

#include <sys/types.h>

namespace ride {

// The name of the effective user ("uid 1234" when it has none).
std::string currentUserName();
// The name of a group ("gid 20" when it has none).
std::string groupName(gid_t group);
// Whether the process has the group as its effective or a supplementary group.
bool isMemberOfGroup(gid_t group);

} // namespace ride
