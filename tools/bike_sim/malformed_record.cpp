// SPDX-License-Identifier: GPL-3.0-or-later
#include "bike_sim/malformed_record.h"

#include "bike_sim/record.h"

#include <algorithm>
#include <array>

namespace ride::sim {
namespace {

struct ModeName {
    Malform mode;
    std::string_view name;
};

constexpr std::array<ModeName, 4> kModes{{
    {Malform::EndMark, "end-mark"},
    {Malform::Letters, "letters"},
    {Malform::Split, "split"},
    {Malform::Garbage, "garbage"},
}};

int uniform(std::mt19937& random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

Pieces spoilEndMark(std::string record, std::mt19937& random)
{
    if (uniform(random, 0, 1) == 0) {
        record.back() = '!';
    } else {
        // A "." inside the record ends it early; the console then keeps it, and every good
        // record after it, in its receive box until the box overflows.
        const int at = uniform(random, static_cast<int>(kSpeedOffset) + 1, static_cast<int>(kKeyBlockOffset) - 1);
        record[static_cast<std::size_t>(at)] = '.';
    }
    return {record};
}

Pieces putLetters(std::string record, std::mt19937& random)
{
    for (std::size_t offset : {kSpeedOffset, kDirectionOffset}) {
        for (std::size_t i = 0; i < 3; ++i) {
            record[offset + i] = static_cast<char>('A' + uniform(random, 0, 25));
        }
    }
    return {record};
}

Pieces split(const std::string& record, std::mt19937& random)
{
    const int last = static_cast<int>(record.size()) - 1;
    int first = uniform(random, 1, last);
    if (uniform(random, 0, 1) == 0) {
        return {record.substr(0, static_cast<std::size_t>(first)), record.substr(static_cast<std::size_t>(first))};
    }
    int second = uniform(random, 1, last - 1);
    if (second >= first) {
        ++second;
    }
    if (second < first) {
        std::swap(first, second);
    }
    const auto a = static_cast<std::size_t>(first);
    const auto b = static_cast<std::size_t>(second);
    return {record.substr(0, a), record.substr(a, b - a), record.substr(b)};
}

Pieces prependGarbage(const std::string& record, std::mt19937& random)
{
    std::string garbage(static_cast<std::size_t>(uniform(random, 1, 24)), '\0');
    for (char& c : garbage) {
        c = static_cast<char>(uniform(random, 0, 255));
    }
    return {garbage + record};
}

} // namespace

std::optional<Malform> parseMalform(std::string_view name)
{
    for (const auto& m : kModes) {
        if (m.name == name) {
            return m.mode;
        }
    }
    return std::nullopt;
}

std::string_view malformName(Malform mode)
{
    for (const auto& m : kModes) {
        if (m.mode == mode) {
            return m.name;
        }
    }
    return "?";
}

std::string malformNames()
{
    std::string names;
    for (const auto& m : kModes) {
        if (!names.empty()) {
            names += ", ";
        }
        names += m.name;
    }
    return names;
}

Pieces malformRecord(const std::string& record, Malform mode, std::mt19937& random)
{
    if (record.size() <= kFlagsOffset) { // not a record of ours: nothing to spoil by offset
        return {record};
    }
    switch (mode) {
    case Malform::EndMark: return spoilEndMark(record, random);
    case Malform::Letters: return putLetters(record, random);
    case Malform::Split: return split(record, random);
    case Malform::Garbage: return prependGarbage(record, random);
    }
    return {record};
}

} // namespace ride::sim
