// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Resident memory of this process, as the kernel counts it.
#include <fstream>
#include <string>

namespace ride::testing {

// AddressSanitizer keeps freed memory in quarantine (up to 256 MB), so resident memory tells
// nothing about the program's own use in a sanitizer build.
inline constexpr bool kResidentMemoryMeaningful =
#if defined(__SANITIZE_ADDRESS__)
    false;
#else
    true;
#endif

inline long residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

} // namespace ride::testing
