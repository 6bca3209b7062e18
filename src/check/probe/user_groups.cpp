// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/probe/user_groups.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace ride {

std::string currentUserName()
{
    const uid_t uid = ::geteuid();
    if (const struct passwd* entry = ::getpwuid(uid)) {
        return entry->pw_name;
    }
    return "uid " + std::to_string(uid);
}

std::string groupName(gid_t group)
{
    if (const struct group* entry = ::getgrgid(group)) {
        return entry->gr_name;
    }
    return "gid " + std::to_string(group);
}

bool isMemberOfGroup(gid_t group)
{
    if (::getegid() == group) {
        return true;
    }
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) {
        return false;
    }
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int filled = ::getgroups(count, groups.data());
    for (int i = 0; i < filled; ++i) {
        if (groups[static_cast<std::size_t>(i)] == group) {
            return true;
        }
    }
    return false;
}

std::string octalMode(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

} // namespace ride
