// SPDX-License-Identifier: GPL-3.0-or-later
// Key strings that do not parse, in every key string box, while records keep arriving and every
// bike key is pressed and released: nothing of them is typed, each refusal is one log line naming
// its box, and decoding and the pointer go on as if nothing were wrong.
#include "fault/stderr_capture.h"
#include "support/count_of.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ride {
namespace {

using testing::countOf;

Text record(int direction, const char* flags)
{
    char text[40];
    std::snprintf(text, sizeof text, ":::S=010xxx%03dxxxxxx,DI%s.", direction, flags);
    return fromUtf8(text);
}

TEST(KeyStringFaults, UnparsableStringsAreLoggedNotTypedWhileDecodingGoesOn)
{
    testing::TempDir dir;
    testing::TestSite w({.settingsFile = dir / "配置.ini"});
    const Text bad[] = {
        u"{LEFT",                         // unclosed brace
        u"{F99}",                         // no such key
        u"(^a",                           // unclosed group
        u"abc+",                          // modifier with nothing after it
        u"{a 1001}",                      // repeat count over the limit
        Text(1, char16_t(0xD800)) + u"x", // a broken surrogate
    };
    for (std::size_t i = 0; i < 6; ++i) {
        w.console().txtKey(6 + i).setText(bad[i]);
    }

    testing::StderrCapture log((dir / "stderr.log").string());
    int moves = 0;
    for (int n = 0; n < 50; ++n) {
        const int direction = n % 2 == 0 ? 45 : 90;
        w.arrive(record(direction, n % 2 == 0 ? "AAAAAA" : "BBBBBB"));
        ++moves;
        ASSERT_EQ(static_cast<int>(w.cursor().moves.size()), moves) << "record " << n << " was not decoded";
        EXPECT_EQ(w.cursor().at.x, direction == 45 ? 768 : 512);
        EXPECT_TRUE(w.console().Text1.text().empty());
        if (n == 20) {
            // The operator fixes one box while records go on; only that box types from now on.
            w.console().txtKey(11).setText(u"{F5}");
        }
    }
    log.restore();

    // 25 presses of each key; box 11 was fixed before the 12th of them.
    // Only the fixed box reached the backend: its 14 presses, each the parsed "{F5}".
    ASSERT_EQ(w.keys().calls().size(), 14u);
    for (const auto& actions : w.keys().calls()) {
        EXPECT_EQ(actions, (std::vector{KeyAction::named(NamedKey::F5)}));
    }
    const std::string lines = log.text();
    for (int box = 6; box <= 10; ++box) {
        EXPECT_EQ(countOf(lines, "TXTKEY(" + std::to_string(box) + "): key string \""), 25) << lines;
    }
    EXPECT_EQ(countOf(lines, "TXTKEY(11): key string \""), 11);
    EXPECT_EQ(countOf(lines, "\n"), 5 * 25 + 11) << "one line per refusal, none broken in two";
}

} // namespace
} // namespace ride
