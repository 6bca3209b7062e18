// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A strict reader of the Prometheus text exposition format (0.0.4), for tests: it throws
// ExpositionError, naming the line, at anything a scraper would reject or that breaks the
// format's conventions (families each introduced by one TYPE line before their samples and not
// interleaved, counters named ..._total, no series twice, a line break at the very end).
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ride::testing {

struct ExpositionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using Labels = std::map<std::string, std::string>;

struct ParsedSample {
    std::string name;
    Labels labels;
    double value = 0;
};

struct ParsedFamily {
    std::string name;
    std::string type;
    std::optional<std::string> help;
    std::vector<ParsedSample> samples;
};

struct ParsedExposition {
    std::vector<ParsedFamily> families;

    const ParsedFamily* family(const std::string& name) const;
    // The value of the one series with exactly these labels; none if there is no such series.
    std::optional<double> value(const std::string& name, const Labels& labels = {}) const;
};

ParsedExposition parseExposition(std::string_view text);

} // namespace ride::testing
