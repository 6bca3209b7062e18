// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Records spoiled on purpose, the way a noisy line or a faulty controller spoils them, to see
// how an installation copes.
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace ride::sim {

enum class Malform {
    EndMark, // the end mark missing, or a "." too early: the console cannot decode the record
    Letters, // letters in the speed and direction fields: the console reads them as 0
    Split,   // the record sent in two or three pieces with pauses between them
    Garbage, // random bytes (any value) sent before the record
};

std::optional<Malform> parseMalform(std::string_view name);
std::string_view malformName(Malform mode);
// "end-mark, letters, split, garbage", for messages.
std::string malformNames();

// A record as it goes out: one or more pieces, each sent after a pause.
using Pieces = std::vector<std::string>;

Pieces malformRecord(const std::string& record, Malform mode, std::mt19937& random);

} // namespace ride::sim
