// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/scoped_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace ride {
namespace {

std::optional<std::string> variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

// Whatever was done to a variable meanwhile, restore() gives back the value it had before the
// first change, or its absence: programs started afterwards inherit the environment as it was.
TEST(ScopedEnvironment, RestoreGivesBackValuesAndAbsences)
{
    const char* const kName = "RIDE_SCOPED_ENVIRONMENT_TEST";
    for (const std::optional<std::string>& before : {std::optional<std::string>(), std::optional<std::string>("2")}) {
        SCOPED_TRACE(before.value_or("unset"));
        before ? ::setenv(kName, before->c_str(), 1) : ::unsetenv(kName);
        {
            ScopedEnvironment changed;
            changed.set(kName, "0");
            EXPECT_EQ(variable(kName), "0");
            changed.unset(kName);
            EXPECT_EQ(variable(kName), std::nullopt);
            changed.set(kName, "1");
            changed.restore();
            EXPECT_EQ(variable(kName), before);
            changed.set(kName, "3");
        }
        EXPECT_EQ(variable(kName), before) << "at the end of the scope";
    }
    ::unsetenv(kName);
}

} // namespace
} // namespace ride
