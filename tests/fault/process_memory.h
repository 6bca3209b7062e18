#pragma once
// Resident memory and open descriptors of this process, as the kernel counts them.
#include <filesystem>
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

inline long openDescriptors()
{
    long n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        ++n;
    }
    return n;
}

} // namespace ride::testing
