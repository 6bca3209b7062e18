// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/settings_file_verdict.h"

#include "base/text.h"
#include "settings/profile_file.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace ride {
namespace {

std::optional<std::string> readWhole(const std::filesystem::path& file, std::string& reason)
{
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        reason = errno == ENOENT ? "does not exist" : std::string("cannot be opened: ") + std::strerror(errno);
        return std::nullopt;
    }
    if (S_ISDIR(info.st_mode)) {
        reason = "is a directory";
        return std::nullopt;
    }
    // Read as the console's own settings store reads it.
    std::string why;
    std::optional<std::string> bytes = readRegularFile(file, why);
    if (!bytes) {
        reason = why == "not a regular file" ? "is not a regular file" : "cannot be opened: " + why;
    }
    return bytes;
}

bool isValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

SettingsFileVerdict judgeSettingsFile(const std::filesystem::path& file)
{
    std::string reason;
    const std::optional<std::string> bytes = readWhole(file, reason);
    if (!bytes) {
        return {false, reason};
    }
    return judgeSettingsBytes(*bytes);
}

SettingsFileVerdict judgeSettingsBytes(const std::string& bytes)
{
    if (bytes.empty()) {
        return {false, "is empty"};
    }
    if (const std::size_t nul = bytes.find('\0'); nul != std::string::npos) {
        return {false, "holds a NUL byte (at byte " + std::to_string(nul) + "): not a text file"};
    }
    bool header = false;
    std::size_t lineNumber = 0;
    std::size_t begin = 0;
    while (begin < bytes.size()) {
        ++lineNumber;
        std::size_t end = bytes.find('\n', begin);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        const std::string_view line(bytes.data() + begin, end - begin);
        if (fromGbk(line).find(u'\uFFFD') != Text::npos) {
            std::string reason = "is not GBK text (line " + std::to_string(lineNumber) + ")";
            if (isValidUtf8(bytes)) {
                reason += "; it is UTF-8: convert it with iconv -f UTF-8 -t GBK";
            }
            return {false, reason};
        }
        std::size_t first = 0;
        while (first < line.size() && isBlank(line[first])) {
            ++first;
        }
        // The same header rule as the reader's: "[" first, a "]" after it.
        if (first < line.size() && line[first] == '[' && fromGbk(line.substr(first + 1)).find(u']') != Text::npos) {
            header = true;
        }
        begin = end + 1;
    }
    if (!header) {
        return {false, "has no section line such as [串口设置]: not a settings file"};
    }
    return {true, {}};
}

} // namespace ride
