// SPDX-License-Identifier: GPL-3.0-or-later
// The installer's window pattern: wildcards, case, whole characters, and which of a window's
// names it is held against; the names as log lines show them.
#include "input/window_pattern.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace ride {
namespace {

TEST(WildcardMatch, StarsAndQuestionMarks)
{
    struct Case {
        const char* pattern;
        const char* text;
        bool match;
    };
    const Case cases[] = {
        {"roam", "roam", true},
        {"roam", "roaming", false},
        {"roam*", "roaming", true},
        {"roam*", "roam", true},
        {"*Ride*", "Virtual Ride 3", true},
        {"*Ride*", "ride", false},
        {"Roam*", "roaming", false},
        {"?oam", "roam", true},
        {"?oam", "oam", false},
        {"r??m", "roam", true},
        {"r??m", "rom", false},
        {"*", "", true},
        {"", "", true},
        {"", "x", false},
        {"*.exe", "ride.exe", true},
        {"*.exe", "ride.exe.bak", false},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXcYb", false},
        {"**x", "x", true},
        {"*?", "", false},
        {"*?", "z", true},
        {"a*", "ba", false},
        {"*a", "aab", false},
        {"*ab", "aab", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wildcardMatch(c.pattern, c.text), c.match) << "\"" << c.pattern << "\" against \"" << c.text << "\"";
    }
}

TEST(WildcardMatch, QuestionMarkTakesOneWholeCharacter)
{
    EXPECT_TRUE(wildcardMatch("漫游?", "漫游器"));
    EXPECT_FALSE(wildcardMatch("漫游??", "漫游器"));
    EXPECT_TRUE(wildcardMatch("*骑行*", "虚拟骑行 v2"));
    // Broken UTF-8 still compares byte for byte and ends.
    EXPECT_TRUE(wildcardMatch("a?b", "a\xff"
                                     "b"));
    EXPECT_TRUE(wildcardMatch("*\xc3", "x\xc3"));
}

TEST(WildcardMatch, ManyStarsAgainstALongMissStayFast)
{
    // A naive recursive matcher takes exponential time here.
    const std::string text(4000, 'a');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(wildcardMatch("*a*a*a*a*a*a*a*a*a*a*b", text));
    EXPECT_TRUE(wildcardMatch("*a*a*a*a*a*a*a*a*a*a*", text));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

FocusedWindow client(std::optional<std::string> instance, std::optional<std::string> cls,
                     std::optional<std::string> title)
{
    FocusedWindow w;
    w.kind = FocusedWindow::Kind::Client;
    w.id = 42;
    w.instance = std::move(instance);
    w.windowClass = std::move(cls);
    w.title = std::move(title);
    return w;
}

TEST(WindowMatches, InstanceClassOrTitle)
{
    const FocusedWindow roam = client("roamer", "Roamer", "Virtual Ride - Lake");
    EXPECT_TRUE(windowMatches("roam*", roam));  // instance
    EXPECT_TRUE(windowMatches("Roamer", roam)); // class
    EXPECT_TRUE(windowMatches("*Ride*", roam)); // title
    EXPECT_FALSE(windowMatches("xterm", roam));
    EXPECT_FALSE(windowMatches("ROAM*", roam)); // case counts
}

TEST(WindowMatches, MissingNamesMatchNothingNotEvenStar)
{
    EXPECT_FALSE(windowMatches("*", client(std::nullopt, std::nullopt, std::nullopt)));
    EXPECT_TRUE(windowMatches("*", client(std::nullopt, std::nullopt, "")));
    const FocusedWindow titleOnly = client(std::nullopt, std::nullopt, "Ride");
    EXPECT_TRUE(windowMatches("Ride", titleOnly));
    EXPECT_FALSE(windowMatches("roam*", titleOnly));

    FocusedWindow nothing;
    nothing.kind = FocusedWindow::Kind::Nothing;
    EXPECT_FALSE(windowMatches("*", nothing));
    FocusedWindow unknown;
    unknown.title = "Ride";
    EXPECT_FALSE(windowMatches("*", unknown));
}

TEST(DescribeNames, LogSafeAndShort)
{
    EXPECT_EQ(describeNames(client("roamer", "Roamer", "Lake")), "class \"roamer\" \"Roamer\", title \"Lake\"");
    EXPECT_EQ(describeNames(client(std::nullopt, std::nullopt, std::nullopt)), "class none none, title none");
    // A title with an escape sequence and a line break stays one harmless line.
    EXPECT_EQ(describeNames(client("a", "b", "x\x1b[2Jy\nz")), "class \"a\" \"b\", title \"x?[2Jy?z\"");
    // 79 ASCII bytes and then a 3-byte character: cut before it, not inside it.
    const std::string longTitle = std::string(79, 'r') + "骑行";
    EXPECT_EQ(describeNames(client("a", "b", longTitle)),
              "class \"a\" \"b\", title \"" + std::string(79, 'r') + "...\"");
}

} // namespace
} // namespace ride
