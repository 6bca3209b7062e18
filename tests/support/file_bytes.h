// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole files as bytes: what a test writes before the program reads it, and what the program
// wrote. A file that cannot be read reads as empty.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace ride::testing {

inline std::string readBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file's content with `bytes` (creates it if need be).
inline void writeBytes(const std::filesystem::path& file, std::string_view bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace ride::testing
