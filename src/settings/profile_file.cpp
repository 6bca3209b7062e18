// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/profile_file.h"

#include "base/atomic_file.h"
#include "base/log.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// Choices the format leaves open, kept here so readers and writers agree:
// - A header is a line whose first non-blank character is "[" and that holds a "]" after it;
//   the name lies between them, and anything after the "]" is ignored. Header lines are
//   recognised before key lines, so "[a=b]" is a header.
// - Section and key names given by the caller are trimmed of blanks like the names in the file.
// - A written key line uses the caller's spelling of the key, even when the file spelled it in
//   another letter case.
// - A value is also cut at a line end (CR or LF): a line cannot hold one, and writing it would
//   make the rest of the value a line of its own. A name holding a line end, a NUL, "]" (section)
//   or "=" (key), or an empty key name, cannot be stored and the write is dropped.
// - New lines end like the file's first line does; a file without any line end gets CRLF.
// - A write that changes nothing leaves the file alone.
// - A writer killed mid-write may leave its temporary file ".<name>.saving.XXXXXX" behind. A
//   write never sweeps them, since another process might be writing one at that moment; the
//   program sweeps the ones old enough to be abandoned when it starts.

namespace ride {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t kMaxValueBytes = 127;
constexpr std::size_t kMaxValueCharacters = 128;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

template <typename View>
View trimBlanks(View text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

bool sameName(TextView a, TextView b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// ---- Lines ----------------------------------------------------------------------------------

// Byte offsets of one line: [begin, contentEnd) is its text, [contentEnd, end) its line end
// (LF or CRLF; empty on a last line that has none).
struct Line {
    std::size_t begin;
    std::size_t contentEnd;
    std::size_t end;
};

std::vector<Line> splitLines(std::string_view bytes)
{
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < bytes.size()) {
        const std::size_t newline = bytes.find('\n', begin);
        const std::size_t end = newline == std::string_view::npos ? bytes.size() : newline + 1;
        std::size_t contentEnd = newline == std::string_view::npos ? bytes.size() : newline;
        if (contentEnd > begin && bytes[contentEnd - 1] == '\r') {
            --contentEnd;
        }
        lines.push_back({begin, contentEnd, end});
        begin = end;
    }
    return lines;
}

// "[" and the bytes of its name are decoded before looking for "]", because 0x5D can be the
// second byte of a GBK character.
std::optional<Text> sectionName(std::string_view content)
{
    const std::string_view trimmed = trimBlanks(content);
    if (trimmed.empty() || trimmed.front() != '[') {
        return std::nullopt;
    }
    const Text text = fromGbk(trimmed.substr(1));
    const std::size_t close = text.find(u']');
    if (close == Text::npos) {
        return std::nullopt;
    }
    return Text(trimBlanks(TextView(text).substr(0, close)));
}

// "=" (0x3D) is never part of a GBK character, so the split can be made on the bytes and the
// value kept as the file's own bytes.
struct KeyLine {
    Text name;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view content)
{
    const std::size_t equals = content.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyLine{Text(trimBlanks(TextView(fromGbk(content.substr(0, equals))))), content.substr(equals + 1)};
}

// Where a section and a key stand in the file, as line indexes.
struct Location {
    std::optional<std::size_t> header;
    std::optional<std::size_t> key;
    std::size_t lastFilled = 0; // last non-blank line of the section
};

Location locate(std::string_view bytes, const std::vector<Line>& lines, TextView section, TextView key)
{
    Location where;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view content = bytes.substr(lines[i].begin, lines[i].contentEnd - lines[i].begin);
        if (const auto name = sectionName(content)) {
            if (where.header) {
                break;
            }
            if (sameName(*name, section)) {
                where.header = where.lastFilled = i;
            }
            continue;
        }
        if (!where.header) {
            continue;
        }
        if (!trimBlanks(content).empty()) {
            where.lastFilled = i;
        }
        if (!where.key) {
            if (const auto line = keyLine(content); line && sameName(line->name, key)) {
                where.key = i;
            }
        }
    }
    return where;
}

// ---- Values ---------------------------------------------------------------------------------

bool isGbkLead(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}
bool isGbkTrail(unsigned char c)
{
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// The longest prefix of at most `limit` bytes that does not end in the middle of a character.
std::string_view cutGbk(std::string_view bytes, std::size_t limit)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const bool pair = i + 1 < bytes.size() && isGbkLead(bytes[i]) && isGbkTrail(bytes[i + 1]);
        const std::size_t next = i + (pair ? 2 : 1);
        if (next > limit) {
            break;
        }
        i = next;
    }
    return bytes.substr(0, i);
}

// A value's bytes as a read takes them: trimmed of blanks and of enclosing quotes.
std::string_view storedValue(std::string_view raw)
{
    std::string_view bytes = trimBlanks(raw);
    if (bytes.size() >= 2 && (bytes.front() == '"' || bytes.front() == '\'') && bytes.back() == bytes.front()) {
        bytes = bytes.substr(1, bytes.size() - 2);
    }
    return bytes;
}

Text readValue(std::string_view raw)
{
    const std::string_view bytes = storedValue(raw);
    Text text = fromGbk(cutGbk(bytes, kMaxValueBytes));
    text.resize(std::min(text.size(), text.find(u'\0')));
    const std::size_t begin = text.find_first_not_of(u' ');
    if (begin == Text::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(u' ') + 1 - begin);
}

Text limitValue(TextView value)
{
    value = value.substr(0, value.find_first_of(std::u16string_view(u"\0\r\n", 3)));
    std::size_t end = 0;
    for (std::size_t characters = 0; end < value.size() && characters < kMaxValueCharacters; ++characters) {
        const bool pair = value[end] >= 0xD800 && value[end] <= 0xDBFF && end + 1 < value.size() &&
                          value[end + 1] >= 0xDC00 && value[end + 1] <= 0xDFFF;
        end += pair ? 2 : 1;
    }
    return Text(value.substr(0, end));
}

// ---- Files ----------------------------------------------------------------------------------

// The directory a file name lies in; "." for a bare name.
fs::path directoryOf(const fs::path& file)
{
    return file.parent_path().empty() ? fs::path(".") : file.parent_path();
}

// Distinct enough that a hand-made copy such as ".配置.ini.backup" is never taken for one.
fs::path temporaryPrefix(const fs::path& target)
{
    return directoryOf(target) / ("." + target.filename().string() + ".saving.");
}

struct Ownership {
    mode_t mode;
    std::optional<std::pair<uid_t, gid_t>> owner;
};

// A unique temporary file, so that two writers never share one, made durable before the rename:
// a crash, a kill or a power cut at any moment leaves either the old file or the new one.
bool replaceWhole(const fs::path& target, std::string_view bytes, const Ownership& ownership, std::string& reason)
{
    FileReplacement how;
    how.temporary = temporaryPrefix(target);
    how.unique = true;
    how.mode = ownership.mode;
    how.owner = ownership.owner;
    how.durable = true;
    const std::optional<ReplacementFailure> failure = replaceFile(target, bytes, how);
    if (!failure) {
        return true;
    }
    switch (failure->step) {
    case ReplacementFailure::Step::CreateTemporary: reason = "cannot create temporary file: "; break;
    case ReplacementFailure::Step::WriteTemporary: reason = "cannot write temporary file: "; break;
    case ReplacementFailure::Step::Rename: reason = "cannot replace file: "; break;
    }
    reason += std::strerror(failure->error);
    return false;
}

void reportDroppedWrite(const fs::path& file, TextView section, TextView key, const std::string& reason)
{
    logError("settings",
             file.filename().string() + ": write of [" + toUtf8(section) + "] " + toUtf8(key) + " dropped: " + reason);
}

std::string eolOf(std::string_view bytes)
{
    const std::size_t newline = bytes.find('\n');
    if (newline == std::string_view::npos || (newline > 0 && bytes[newline - 1] == '\r')) {
        return "\r\n";
    }
    return "\n";
}

// The file's bytes with key=value set; every other line is copied unchanged.
std::string withValue(std::string_view bytes, TextView section, TextView key, TextView value)
{
    const std::vector<Line> lines = splitLines(bytes);
    const Location where = locate(bytes, lines, section, key);
    const std::string eol = eolOf(bytes);
    const std::string keyText = toGbk(key) + "=" + toGbk(value);

    std::string out;
    out.reserve(bytes.size() + keyText.size() + section.size() * 2 + 8);
    if (where.key) {
        const Line& line = lines[*where.key];
        out.append(bytes.substr(0, line.begin)).append(keyText).append(bytes.substr(line.contentEnd));
    } else if (where.header) {
        const Line& line = lines[where.lastFilled];
        out.append(bytes.substr(0, line.end));
        // A last line that ends in a lone CR has no line end yet: the key would join it.
        if (bytes[line.end - 1] != '\n') {
            out.append(eol);
        }
        out.append(keyText).append(eol).append(bytes.substr(line.end));
    } else {
        out.append(bytes);
        if (!bytes.empty() && bytes.back() != '\n') {
            out.append(eol);
        }
        out.append("[").append(toGbk(section)).append("]").append(eol);
        out.append(keyText).append(eol);
    }
    return out;
}

bool canStore(TextView section, TextView key)
{
    static constexpr TextView kLineBreaks(u"\0\r\n", 3);
    return section.find_first_of(kLineBreaks) == TextView::npos && section.find(u']') == TextView::npos &&
           !key.empty() && key.find_first_of(kLineBreaks) == TextView::npos && key.find(u'=') == TextView::npos;
}

// Permission bits are checked by hand: running as root (as the console and CI do) would
// otherwise write straight through a file or directory marked read-only.
bool writeValue(const fs::path& file, TextView section, TextView key, TextView value, std::string& reason)
{
    if (!canStore(section, key)) {
        reason = "the name cannot be stored in the file";
        return false;
    }
    fs::path target = file;
    struct stat info {};
    if (::lstat(file.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        std::error_code error;
        target = fs::canonical(file, error); // keeps a linked settings file a link
        if (error) {
            reason = error.message();
            return false;
        }
    }

    const fs::path directory = directoryOf(target);
    if (::stat(directory.c_str(), &info) != 0) {
        reason = std::string("directory: ") + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode) || !(info.st_mode & S_IWUSR)) {
        reason = S_ISDIR(info.st_mode) ? "directory is read-only" : "parent is not a directory";
        return false;
    }

    Ownership ownership{static_cast<mode_t>(0666 & ~currentUmask()), std::nullopt};
    std::string bytes;
    if (::stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            reason = "not a regular file";
            return false;
        }
        if (!(info.st_mode & S_IWUSR)) {
            reason = "file is read-only";
            return false;
        }
        ownership = {static_cast<mode_t>(info.st_mode & 07777), std::pair{info.st_uid, info.st_gid}};
        // A file that cannot be read must not be replaced: its other settings would be lost.
        std::optional<std::string> old = readRegularFile(target, reason);
        if (!old) {
            return false;
        }
        bytes = std::move(*old);
    } else if (errno != ENOENT) {
        reason = std::strerror(errno);
        return false;
    }

    const std::string updated = withValue(bytes, section, key, value);
    if (updated == bytes) {
        return true;
    }
    return replaceWhole(target, updated, ownership, reason);
}

// The raw value of the first key line named `key` in the first section named `section`.
std::optional<std::string_view> rawValue(std::string_view bytes, TextView section, TextView key)
{
    const std::vector<Line> lines = splitLines(bytes);
    const Location where = locate(bytes, lines, trimBlanks(section), trimBlanks(key));
    if (!where.key) {
        return std::nullopt;
    }
    const Line& line = lines[*where.key];
    return keyLine(bytes.substr(line.begin, line.contentEnd - line.begin))->value;
}

} // namespace

std::optional<std::string> readRegularFile(const fs::path& file, std::string& reason)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    std::optional<std::string> bytes;
    if (::fstat(fd, &info) != 0) {
        reason = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
    } else {
        bytes.emplace();
        bytes->reserve(static_cast<std::size_t>(info.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                bytes->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0) {
                break;
            } else if (errno != EINTR) {
                reason = std::strerror(errno);
                bytes.reset();
                break;
            }
        }
    }
    ::close(fd);
    return bytes;
}

namespace {

std::function<void(TextView, TextView)>& readObserver()
{
    static std::function<void(TextView, TextView)> observer;
    return observer;
}

void noteRead(TextView section, TextView key)
{
    if (readObserver()) {
        readObserver()(section, key);
    }
}

} // namespace

void observeSettingsReads(std::function<void(TextView section, TextView key)> observer)
{
    readObserver() = std::move(observer);
}

Text ReadIni(const fs::path& file, TextView section, TextView key)
{
    noteRead(section, key);
    try {
        std::string reason;
        const std::optional<std::string> bytes = readRegularFile(file, reason);
        if (!bytes) {
            return {};
        }
        const std::optional<std::string_view> raw = rawValue(*bytes, section, key);
        return raw ? readValue(*raw) : Text();
    } catch (const std::exception&) {
        return {}; // out of memory on an absurd file: reading has no way to fail
    }
}

bool IniValueIsCut(const fs::path& file, TextView section, TextView key)
{
    noteRead(section, key);
    try {
        std::string reason;
        const std::optional<std::string> bytes = readRegularFile(file, reason);
        if (!bytes) {
            return false;
        }
        const std::optional<std::string_view> raw = rawValue(*bytes, section, key);
        if (!raw) {
            return false;
        }
        const std::string_view stored = storedValue(*raw);
        return cutGbk(stored, kMaxValueBytes).size() < stored.size();
    } catch (const std::exception&) {
        return false;
    }
}

bool WriteIni(const fs::path& file, TextView section, TextView key, TextView value)
{
    section = trimBlanks(section);
    key = trimBlanks(key);
    std::string reason;
    try {
        if (writeValue(file, section, key, limitValue(value), reason)) {
            return true;
        }
    } catch (const std::exception& e) {
        reason = e.what();
    }
    reportDroppedWrite(file, section, key, reason);
    return false;
}

std::vector<fs::path> sweepAbandonedTemporaryFiles(const fs::path& file, std::chrono::seconds minimumAge)
{
    return sweepTemporaryFiles(temporaryPrefix(file), minimumAge);
}

fs::path programDirectory()
{
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error || exe.parent_path().empty()) {
        return fs::current_path(error);
    }
    return exe.parent_path();
}

fs::path settingsFilePath()
{
    return programDirectory() / fs::path(u8"配置.ini");
}

} // namespace ride
