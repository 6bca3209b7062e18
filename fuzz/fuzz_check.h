// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Invariant checks for the fuzz targets: a broken one prints what failed and aborts, which
// libFuzzer reports as a crash and saves the input for.
#include "base/text.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#define FUZZ_CHECK(condition, detail)                                                                                  \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            ::ride::fuzz::fail(#condition, __FILE__, __LINE__, (detail));                                              \
        }                                                                                                              \
    } while (0)

namespace ride::fuzz {

// Standard error as it was at start: fuzz/run.sh has libFuzzer discard the descriptor 2 of the
// code under test (its log lines), and a broken invariant must still be heard.
inline const int kReportFd = ::dup(STDERR_FILENO);

[[noreturn]] inline void fail(const char* condition, const char* file, int line, const std::string& detail)
{
    const std::string text = std::string("invariant broken: ") + condition + " at " + file + ":" +
                             std::to_string(line) + "\n  " + detail + "\n";
    const int fd = kReportFd >= 0 ? kReportFd : STDERR_FILENO;
    if (::write(fd, text.data(), text.size()) < 0) {
        // Nothing else to tell it through; the abort below is reported all the same.
    }
    std::abort();
}

// Texts shown in a failure: UTF-8, with anything unprintable as \u escapes.
inline std::string shown(TextView text)
{
    std::string out = "\"";
    for (char16_t c : text) {
        if (c >= 0x20 && c < 0x7F && c != u'"' && c != u'\\') {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            out += escaped;
        }
    }
    return out + "\"";
}

// Each byte as one character (Latin-1): the record and number alphabets are ASCII, so this keeps
// the fuzzer's byte mutations meaningful.
inline Text latin1(std::string_view bytes)
{
    Text out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        out.push_back(char16_t(c));
    }
    return out;
}

// Pairs of bytes as UTF-16 code units, lone surrogates and all: any text a box can hold.
inline Text codeUnits(std::string_view bytes)
{
    Text out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        out.push_back(char16_t(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return out;
}

// The pieces of `bytes` between `separator` bytes (an input format a seed can be written by hand).
inline std::vector<std::string_view> pieces(std::string_view bytes, char separator)
{
    std::vector<std::string_view> out;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = bytes.find(separator, begin);
        out.push_back(bytes.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin));
        if (end == std::string_view::npos) {
            return out;
        }
        begin = end + 1;
    }
}

// A text input: UTF-8 (invalid sequences become U+FFFD), or, after a leading 0xFF byte, raw
// UTF-16 code units so that lone surrogates can be reached too.
inline Text textInput(std::string_view bytes)
{
    if (!bytes.empty() && static_cast<unsigned char>(bytes.front()) == 0xFF) {
        return codeUnits(bytes.substr(1));
    }
    return fromUtf8(bytes);
}

} // namespace ride::fuzz
