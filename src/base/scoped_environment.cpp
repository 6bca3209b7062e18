// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/scoped_environment.h"

#include <algorithm>
#include <cstdlib>

namespace ride {

void ScopedEnvironment::save(const std::string& name)
{
    const bool known =
        std::any_of(saved_.begin(), saved_.end(), [&](const auto& entry) { return entry.first == name; });
    if (known) {
        return;
    }
    const char* value = std::getenv(name.c_str());
    saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
}

void ScopedEnvironment::set(const std::string& name, const std::string& value)
{
    save(name);
    ::setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnvironment::unset(const std::string& name)
{
    save(name);
    ::unsetenv(name.c_str());
}

void ScopedEnvironment::restore()
{
    for (auto entry = saved_.rbegin(); entry != saved_.rend(); ++entry) {
        if (entry->second) {
            ::setenv(entry->first.c_str(), entry->second->c_str(), 1);
        } else {
            ::unsetenv(entry->first.c_str());
        }
    }
    saved_.clear();
}

} // namespace ride
