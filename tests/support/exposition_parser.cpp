// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/exposition_parser.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <set>

namespace ride::testing {
namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isMetricName(std::string_view name)
{
    if (name.empty() || isDigit(name.front())) {
        return false;
    }
    for (const char c : name) {
        if (!isLetter(c) && !isDigit(c) && c != '_' && c != ':') {
            return false;
        }
    }
    return true;
}

bool isLabelName(std::string_view name)
{
    if (name.empty() || isDigit(name.front()) || name.starts_with("__")) {
        return false;
    }
    for (const char c : name) {
        if (!isLetter(c) && !isDigit(c) && c != '_') {
            return false;
        }
    }
    return true;
}

class LineReader {
public:
    LineReader(std::string_view line, std::size_t number) : line_(line), number_(number) {}

    [[noreturn]] void fail(const std::string& why) const
    {
        throw ExpositionError("line " + std::to_string(number_) + ": " + why + " in \"" + std::string(line_) + "\"");
    }
    bool atEnd() const { return pos_ >= line_.size(); }
    char peek() const { return atEnd() ? '\0' : line_[pos_]; }
    char take()
    {
        if (atEnd()) {
            fail("unexpected end of line");
        }
        return line_[pos_++];
    }
    void expect(char c)
    {
        if (take() != c) {
            fail(std::string("expected '") + c + "'");
        }
    }
    // Letters, digits, '_' and ':' (names are checked against their grammar afterwards).
    std::string_view word()
    {
        const std::size_t start = pos_;
        while (!atEnd() && (isLetter(peek()) || isDigit(peek()) || peek() == '_' || peek() == ':')) {
            ++pos_;
        }
        return line_.substr(start, pos_ - start);
    }
    // Up to the next blank or the end.
    std::string_view token()
    {
        const std::size_t start = pos_;
        while (!atEnd() && peek() != ' ' && peek() != '\t') {
            ++pos_;
        }
        return line_.substr(start, pos_ - start);
    }
    void skipBlanks()
    {
        while (!atEnd() && (peek() == ' ' || peek() == '\t')) {
            ++pos_;
        }
    }
    std::string_view rest() const { return line_.substr(std::min(pos_, line_.size())); }

private:
    std::string_view line_;
    std::size_t number_;
    std::size_t pos_ = 0;
};

double parseValue(LineReader& reader, std::string_view text)
{
    if (text == "NaN") {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (text == "+Inf" || text == "Inf") {
        return std::numeric_limits<double>::infinity();
    }
    if (text == "-Inf") {
        return -std::numeric_limits<double>::infinity();
    }
    // Decimal floating point only: no hexadecimal, no "inf"/"nan" spellings, no blanks.
    for (const char c : text) {
        if (!isDigit(c) && c != '.' && c != 'e' && c != 'E' && c != '+' && c != '-') {
            reader.fail("not a sample value");
        }
    }
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(copy.c_str(), &end);
    if (copy.empty() || end != copy.c_str() + copy.size()) {
        reader.fail("not a sample value");
    }
    return value;
}

std::string unescapeHelp(LineReader& reader, std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            reader.fail("help text ends in a lone backslash");
        }
        if (text[i] == '\\') {
            out += '\\';
        } else if (text[i] == 'n') {
            out += '\n';
        } else {
            reader.fail("invalid escape in help text");
        }
    }
    return out;
}

Labels parseLabels(LineReader& reader)
{
    Labels labels;
    reader.expect('{');
    while (reader.peek() != '}') {
        const std::string name(reader.word());
        if (!isLabelName(name)) {
            reader.fail("invalid label name \"" + name + "\"");
        }
        reader.expect('=');
        reader.expect('"');
        std::string value;
        for (char c = reader.take(); c != '"'; c = reader.take()) {
            if (c == '\n') {
                reader.fail("line break in a label value");
            }
            if (c == '\\') {
                const char e = reader.take();
                if (e == '\\' || e == '"') {
                    value += e;
                } else if (e == 'n') {
                    value += '\n';
                } else {
                    reader.fail("invalid escape in a label value");
                }
            } else {
                value += c;
            }
        }
        if (!labels.emplace(name, value).second) {
            reader.fail("label \"" + name + "\" given twice");
        }
        if (reader.peek() == ',') {
            reader.take();
        } else if (reader.peek() != '}') {
            reader.fail("expected ',' or '}'");
        }
    }
    reader.expect('}');
    return labels;
}

} // namespace

const ParsedFamily* ParsedExposition::family(const std::string& name) const
{
    for (const ParsedFamily& f : families) {
        if (f.name == name) {
            return &f;
        }
    }
    return nullptr;
}

std::optional<double> ParsedExposition::value(const std::string& name, const Labels& labels) const
{
    for (const ParsedFamily& f : families) {
        for (const ParsedSample& s : f.samples) {
            if (s.name == name && s.labels == labels) {
                return s.value;
            }
        }
    }
    return std::nullopt;
}

ParsedExposition parseExposition(std::string_view text)
{
    if (text.empty()) {
        throw ExpositionError("empty exposition");
    }
    if (text.back() != '\n') {
        throw ExpositionError("the last line has no line break (cut short?)");
    }
    ParsedExposition out;
    std::set<std::string> finished; // families that another one has followed
    std::set<std::string> series;
    ParsedFamily* current = nullptr;
    auto finishCurrent = [&] {
        if (current) {
            if (current->type.empty()) {
                throw ExpositionError("family " + current->name + " has no TYPE line");
            }
            finished.insert(current->name);
        }
    };
    // The family a HELP or TYPE line or a sample belongs to; a new one ends the current one.
    auto enter = [&](LineReader& reader, const std::string& name) -> ParsedFamily& {
        if (current && current->name == name) {
            return *current;
        }
        if (finished.contains(name)) {
            reader.fail("family " + name + " continues after another family (interleaved)");
        }
        finishCurrent();
        out.families.push_back(ParsedFamily{name, {}, {}, {}});
        current = &out.families.back();
        return *current;
    };

    std::size_t number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        LineReader reader(line, number);
        if (line.empty()) {
            continue;
        }
        if (line.front() == '#') {
            reader.take();
            reader.skipBlanks();
            const std::string_view keyword = reader.token();
            if (keyword != "HELP" && keyword != "TYPE") {
                continue; // a comment
            }
            reader.skipBlanks();
            const std::string name(reader.word());
            if (!isMetricName(name)) {
                reader.fail("invalid metric name \"" + name + "\"");
            }
            if (!reader.atEnd() && reader.peek() != ' ' && reader.peek() != '\t') {
                reader.fail("invalid metric name");
            }
            ParsedFamily& family = enter(reader, name);
            if (!family.samples.empty()) {
                reader.fail(std::string(keyword) + " after the family's samples");
            }
            if (keyword == "HELP") {
                if (family.help) {
                    reader.fail("second HELP line");
                }
                if (!reader.atEnd()) {
                    reader.take();
                }
                family.help = unescapeHelp(reader, reader.rest());
            } else {
                if (!family.type.empty()) {
                    reader.fail("second TYPE line");
                }
                reader.skipBlanks();
                const std::string type(reader.token());
                reader.skipBlanks();
                if (!reader.atEnd()) {
                    reader.fail("text after the type");
                }
                if (type != "counter" && type != "gauge" && type != "histogram" && type != "summary" &&
                    type != "untyped") {
                    reader.fail("unknown type \"" + type + "\"");
                }
                if (type == "counter" && !name.ends_with("_total")) {
                    reader.fail("counter " + name + " is not named ..._total");
                }
                family.type = type;
            }
            continue;
        }

        const std::string name(reader.word());
        if (!isMetricName(name)) {
            reader.fail("invalid metric name \"" + name + "\"");
        }
        ParsedFamily& family = enter(reader, name);
        if (family.type.empty()) {
            reader.fail("sample before its family's TYPE line");
        }
        if (family.type != "histogram" && family.type != "summary" && name != family.name) {
            reader.fail("sample of another family");
        }
        ParsedSample sample;
        sample.name = name;
        if (reader.peek() == '{') {
            sample.labels = parseLabels(reader);
        }
        if (reader.peek() != ' ' && reader.peek() != '\t') {
            reader.fail("expected a blank before the value");
        }
        reader.skipBlanks();
        sample.value = parseValue(reader, reader.token());
        reader.skipBlanks();
        if (!reader.atEnd()) {
            const std::string_view stamp = reader.token();
            const bool integer = !stamp.empty() && std::all_of(stamp.begin() + (stamp.front() == '-' ? 1 : 0),
                                                               stamp.end(), [](char c) { return isDigit(c); });
            if (!integer || stamp == "-") {
                reader.fail("invalid timestamp");
            }
            reader.skipBlanks();
            if (!reader.atEnd()) {
                reader.fail("text after the timestamp");
            }
        }
        if (family.type == "counter" && !(sample.value >= 0)) {
            reader.fail("counter value below zero or NaN");
        }
        std::string key = name;
        for (const auto& [label, value] : sample.labels) {
            key += '\0' + label + '\0' + value;
        }
        if (!series.insert(key).second) {
            reader.fail("series given twice");
        }
        family.samples.push_back(std::move(sample));
    }
    finishCurrent();
    return out;
}

} // namespace ride::testing
