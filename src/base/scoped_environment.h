// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Environment variables changed for a while and given back their values (or their absence) by
// restore(), at the latest when the object goes: for settings a library reads once, at a moment
// the program chooses, which the programs it starts later must not inherit.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ride {

class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment() { restore(); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const std::string& name, const std::string& value);
    void unset(const std::string& name);
    // The variables as they were before the first change of each, in reverse order.
    void restore();

private:
    void save(const std::string& name);

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace ride
