#include "check/settings_file_verdict.h"

#include "base/text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ride {
namespace {

std::optional<std::string> readWhole(const std::filesystem::path& file, std::string& reason)
{
    // Non-blocking, so that a FIFO in the file's place cannot hang the check.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = errno == ENOENT ? "does not exist" : std::string("cannot be opened: ") + std::strerror(errno);
        return std::nullopt;
    }
    std::optional<std::string> bytes;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        reason = std::string("cannot be read: ") + std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        reason = S_ISDIR(info.st_mode) ? "is a directory" : "is not a regular file";
    } else {
        bytes.emplace();
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                bytes->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0) {
                break;
            } else if (errno != EINTR) {
                reason = std::string("cannot be read: ") + std::strerror(errno);
                bytes.reset();
                break;
            }
        }
    }
    ::close(fd);
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
