// SPDX-License-Identifier: GPL-3.0-or-later
#include "metrics/exposition.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace ride {
namespace {

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

const char* typeName(MetricType type)
{
    return type == MetricType::Counter ? "counter" : "gauge";
}

} // namespace

bool isValidMetricName(const std::string& name)
{
    if (name.empty() || isAsciiDigit(name.front())) {
        return false;
    }
    for (const char c : name) {
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '_' && c != ':') {
            return false;
        }
    }
    return true;
}

bool isValidLabelName(const std::string& name)
{
    if (name.empty() || isAsciiDigit(name.front()) || name.starts_with("__")) {
        return false;
    }
    for (const char c : name) {
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '_') {
            return false;
        }
    }
    return true;
}

std::string formatSampleValue(double value)
{
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "+Inf" : "-Inf";
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string escapeLabelValue(const std::string& value)
{
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

std::string escapeHelp(const std::string& help)
{
    std::string out;
    out.reserve(help.size());
    for (const char c : help) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

std::string exposition(const std::vector<MetricFamily>& families)
{
    std::string out;
    for (const MetricFamily& family : families) {
        if (!isValidMetricName(family.name)) {
            throw std::invalid_argument("invalid metric name \"" + family.name + "\"");
        }
        if (family.samples.empty()) {
            continue;
        }
        out += "# HELP " + family.name + " " + escapeHelp(family.help) + "\n";
        out += "# TYPE " + family.name + " " + typeName(family.type) + "\n";
        for (const MetricSample& sample : family.samples) {
            out += family.name;
            if (!sample.labels.empty()) {
                out += '{';
                bool first = true;
                for (const auto& [label, value] : sample.labels) {
                    if (!isValidLabelName(label)) {
                        throw std::invalid_argument("invalid label name \"" + label + "\" in " + family.name);
                    }
                    out += first ? "" : ",";
                    out += label + "=\"" + escapeLabelValue(value) + "\"";
                    first = false;
                }
                out += '}';
            }
            out += " " + formatSampleValue(sample.value) + "\n";
        }
    }
    return out;
}

} // namespace ride
