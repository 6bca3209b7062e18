// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Prometheus text exposition format (version 0.0.4), as node_exporter's textfile collector
// reads it: per family a "# HELP" and a "# TYPE" line, then its samples, families one after
// another, the whole ending with a line break.
#include <string>
#include <utility>
#include <vector>

namespace ride {

enum class MetricType { Counter, Gauge };

struct MetricSample {
    std::vector<std::pair<std::string, std::string>> labels;
    double value = 0;
};

struct MetricFamily {
    std::string name;
    std::string help;
    MetricType type = MetricType::Gauge;
    std::vector<MetricSample> samples;
};

// Metric and label names: [a-zA-Z_:][a-zA-Z0-9_:]* and [a-zA-Z_][a-zA-Z0-9_]*; label names that
// begin with "__" are reserved.
bool isValidMetricName(const std::string& name);
bool isValidLabelName(const std::string& name);

// A sample value: the shortest text that reads back as the same double; NaN, +Inf, -Inf.
std::string formatSampleValue(double value);
// A label value between its quotes: backslash, double quote and line feed escaped.
std::string escapeLabelValue(const std::string& value);
// A help text: backslash and line feed escaped.
std::string escapeHelp(const std::string& help);

// The families in the given order. A family without samples is left out (a TYPE line with
// nothing under it says nothing). Names are the caller's: invalid ones throw
// std::invalid_argument, since they are fixed in the program.
std::string exposition(const std::vector<MetricFamily>& families);

} // namespace ride
