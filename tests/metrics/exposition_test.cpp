// SPDX-License-Identifier: GPL-3.0-or-later
// The text format writer, read back by the strict reader; and the reader's own refusals, since
// the end-to-end checks rest on it.
#include "metrics/exposition.h"
#include "support/exposition_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ride {
namespace {

using testing::parseExposition;

TEST(Exposition, WritesFamiliesThatAStrictReaderReadsBack)
{
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<MetricFamily> families{
        {"ride_test_events_total",
         "Events.\nSecond line, back\\slash.",
         MetricType::Counter,
         {{{{"source", "serial"}}, 3}, {{{"source", "tcp0"}}, 12345678901}}},
        {"ride_test_level",
         "A level.",
         MetricType::Gauge,
         {{{{"path", "C:\\dir \"x\"\nnext"}, {"unit", "秒"}}, 0.1},
          {{{"path", "b"}, {"unit", "x"}}, std::nan("")},
          {{{"path", "c"}, {"unit", "x"}}, inf},
          {{{"path", "d"}, {"unit", "x"}}, -inf},
          {{{"path", "e"}, {"unit", "x"}}, -2.5e-7}}},
        {"ride_test_empty", "Nothing yet.", MetricType::Gauge, {}},
        {"ride_test_info", "Info.", MetricType::Gauge, {{{{"version", "0.1"}}, 1}}},
    };
    const std::string text = exposition(families);

    const auto parsed = parseExposition(text);
    ASSERT_EQ(parsed.families.size(), 3u) << "a family without samples is left out:\n" << text;
    EXPECT_EQ(parsed.families[0].type, "counter");
    EXPECT_EQ(parsed.families[0].help, "Events.\nSecond line, back\\slash.");
    EXPECT_EQ(parsed.value("ride_test_events_total", {{"source", "tcp0"}}), 12345678901.0);
    EXPECT_EQ(parsed.value("ride_test_level", {{"path", "C:\\dir \"x\"\nnext"}, {"unit", "秒"}}), 0.1)
        << "label values are escaped and come back whole:\n"
        << text;
    EXPECT_TRUE(std::isnan(*parsed.value("ride_test_level", {{"path", "b"}, {"unit", "x"}})));
    EXPECT_EQ(parsed.value("ride_test_level", {{"path", "c"}, {"unit", "x"}}), inf);
    EXPECT_EQ(parsed.value("ride_test_level", {{"path", "d"}, {"unit", "x"}}), -inf);
    EXPECT_EQ(parsed.value("ride_test_level", {{"path", "e"}, {"unit", "x"}}), -2.5e-7);
    EXPECT_NE(text.find("ride_test_events_total{source=\"tcp0\"} 12345678901\n"), std::string::npos)
        << "whole numbers are written without exponent or fraction:\n"
        << text;
}

TEST(Exposition, RefusesNamesOutsideTheGrammar)
{
    EXPECT_TRUE(isValidMetricName("ride_console_x:y_total"));
    EXPECT_FALSE(isValidMetricName("9lives"));
    EXPECT_FALSE(isValidMetricName("ride-console"));
    EXPECT_FALSE(isValidMetricName(""));
    EXPECT_TRUE(isValidLabelName("channel"));
    EXPECT_FALSE(isValidLabelName("__name__"));
    EXPECT_FALSE(isValidLabelName("a:b"));
    EXPECT_THROW(exposition({{"bad name", "h", MetricType::Gauge, {{{}, 1}}}}), std::invalid_argument);
    EXPECT_THROW(exposition({{"ok", "h", MetricType::Gauge, {{{{"0x", "v"}}, 1}}}}), std::invalid_argument);
}

TEST(ExpositionReader, RefusesWhatAScraperOrTheConventionsRefuse)
{
    const std::string good = "# HELP a_total A.\n# TYPE a_total counter\na_total 1\n# TYPE b gauge\nb{x=\"1\"} 2\n";
    EXPECT_NO_THROW(parseExposition(good));
    const std::vector<std::pair<std::string, std::string>> bad{
        {"cut short", good.substr(0, good.size() - 3)},
        {"no line break at the end", good.substr(0, good.size() - 1)},
        {"empty", ""},
        {"no TYPE", "a 1\n"},
        {"TYPE after samples", "# TYPE a gauge\na 1\n# TYPE a gauge\n"},
        {"two TYPE lines", "# TYPE a gauge\n# TYPE a gauge\na 1\n"},
        {"interleaved", "# TYPE a gauge\na 1\n# TYPE b gauge\nb 1\na{x=\"y\"} 2\n"},
        {"counter without _total", "# TYPE a counter\na 1\n"},
        {"negative counter", "# TYPE a_total counter\na_total -1\n"},
        {"duplicate series", "# TYPE a gauge\na{x=\"1\",y=\"2\"} 1\na{y=\"2\",x=\"1\"} 2\n"},
        {"bad escape", "# TYPE a gauge\na{x=\"\\t\"} 1\n"},
        {"unclosed label value", "# TYPE a gauge\na{x=\"1} 1\n"},
        {"label twice", "# TYPE a gauge\na{x=\"1\",x=\"2\"} 1\n"},
        {"reserved label", "# TYPE a gauge\na{__x=\"1\"} 1\n"},
        {"bad value", "# TYPE a gauge\na 0x10\n"},
        {"lower-case nan", "# TYPE a gauge\na nan\n"},
        {"no value", "# TYPE a gauge\na\n"},
        {"bad name", "# TYPE 1a gauge\n1a 1\n"},
        {"unknown type", "# TYPE a meter\na 1\n"},
        {"trailing text", "# TYPE a gauge\na 1 2 3\n"},
        {"bad help escape", "# HELP a x\\y\n# TYPE a gauge\na 1\n"},
    };
    for (const auto& [why, text] : bad) {
        EXPECT_THROW(parseExposition(text), testing::ExpositionError) << why;
    }
    const auto special = parseExposition("# TYPE a gauge\na{x=\"1\",} NaN\na +Inf 1700000000000\n");
    EXPECT_TRUE(std::isnan(*special.value("a", {{"x", "1"}})));
    EXPECT_EQ(special.value("a"), std::numeric_limits<double>::infinity());
}

} // namespace
} // namespace ride
