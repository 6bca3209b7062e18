// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file as nobody checks it: arbitrary bytes as the file, then reads and writes of
// arbitrary sections, keys and values. A write may change only the line of its key (or add that
// line, and its section's header when the section is new); every other line must survive byte for
// byte, line end included. A dropped write leaves the file as it was; a read never changes it.
#include "fuzz_check.h"
#include "settings/profile_file.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace ride::fuzz {
namespace {

namespace fs = std::filesystem;

// One directory for the whole run, on a memory file system when there is one: every write
// replaces the file through a temporary file, fsync and rename.
const fs::path& settingsFile()
{
    static const fs::path file = [] {
        std::string pattern =
            (fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) / "ride-fuzz-settings-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::abort();
        }
        return fs::path(pattern) / u8"配置.ini";
    }();
    return file;
}

std::string readBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct Line {
    std::string content;
    std::string end; // "\n", "\r\n" or nothing on a last line without one
    bool operator==(const Line&) const = default;
};

std::vector<Line> lines(const std::string& bytes)
{
    std::vector<Line> out;
    std::size_t begin = 0;
    while (begin < bytes.size()) {
        const std::size_t newline = bytes.find('\n', begin);
        std::size_t contentEnd = newline == std::string::npos ? bytes.size() : newline;
        const std::size_t end = newline == std::string::npos ? bytes.size() : newline + 1;
        if (newline != std::string::npos && contentEnd > begin && bytes[contentEnd - 1] == '\r') {
            --contentEnd;
        }
        out.push_back({bytes.substr(begin, contentEnd - begin), bytes.substr(contentEnd, end - contentEnd)});
        begin = end;
    }
    return out;
}

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

Text trimmed(TextView text)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return Text(text);
}

bool simpleName(TextView name)
{
    if (name.empty()) {
        return false;
    }
    for (char16_t c : name) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_')) {
            return false;
        }
    }
    return true;
}

// A value that must read back exactly as written: printable ASCII, no surrounding blanks or
// quotes, within the 127 bytes a read returns.
bool simpleValue(TextView value)
{
    if (value.size() > 127) {
        return false;
    }
    for (char16_t c : value) {
        if (c < 0x20 || c >= 0x7F) {
            return false;
        }
    }
    if (!value.empty() && (value.front() == u' ' || value.back() == u' ')) {
        return false;
    }
    return value.size() < 2 || !((value.front() == u'"' || value.front() == u'\'') && value.back() == value.front());
}

// Every line the write did not target is still there, in its place, byte for byte.
void checkOnlyTargetChanged(const std::string& before, const std::string& after, TextView section, TextView key)
{
    if (before == after) {
        return;
    }
    const std::vector<Line> a = lines(before);
    const std::vector<Line> b = lines(after);
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head]) {
        ++head;
    }
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) {
        ++tail;
    }
    std::vector<Line> removed(a.begin() + long(head), a.end() - long(tail));
    std::vector<Line> added(b.begin() + long(head), b.end() - long(tail));

    // A last line without a line end gets one when a line is added after it (its bytes stay; a
    // lone CR at its end then becomes part of a CR LF).
    const auto gainedLineEnd = [](const Line& old, const Line& now) {
        const std::string bytes = now.content + now.end;
        const std::string rest =
            bytes.compare(0, old.content.size(), old.content) == 0 && bytes.size() >= old.content.size()
                ? bytes.substr(old.content.size())
                : std::string("?");
        return rest == "\n" || rest == "\r\n";
    };
    if (removed.size() == 1 && removed[0].end.empty() && head + 1 == a.size() && !added.empty() &&
        gainedLineEnd(removed[0], added[0])) {
        removed.clear();
        added.erase(added.begin());
    }

    const std::string keyPrefix = toGbk(trimmed(key)) + "=";
    const std::string detail = "before:\n" + before + "\nafter:\n" + after;
    FUZZ_CHECK(removed.size() <= 1, detail);
    FUZZ_CHECK(!added.empty() && added.size() <= 2, detail);
    FUZZ_CHECK(added.back().content.rfind(keyPrefix, 0) == 0, "the changed line is not the key's: " + detail);
    if (removed.size() == 1) {
        FUZZ_CHECK(added.size() == 1, "a replaced line came with another: " + detail);
        FUZZ_CHECK(removed[0].content.find('=') != std::string::npos,
                   "a line that held no key was replaced: " + detail);
        FUZZ_CHECK(removed[0].end == added[0].end, "the replaced line lost its line end: " + detail);
    }
    if (added.size() == 2) {
        FUZZ_CHECK(removed.empty(), detail);
        FUZZ_CHECK(added[0].content == "[" + toGbk(trimmed(section)) + "]",
                   "a new section needs its header: " + detail);
    }
}

} // namespace
} // namespace ride::fuzz

// Input: the file's bytes, then operations, all separated by 0x00 bytes. An operation is
// "R" section 0x01 key (a read) or "W" section 0x01 key 0x01 value (a write); names and values are
// UTF-8, or raw UTF-16 after a 0xFF byte (see textInput). At most 16 operations run.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace ride;
    using namespace ride::fuzz;
    const std::vector<std::string_view> parts =
        pieces(std::string_view(reinterpret_cast<const char*>(data), size), '\0');
    const fs::path& file = settingsFile();
    writeBytes(file, std::string(parts.front()));

    for (std::size_t op = 1; op < parts.size() && op <= 16; ++op) {
        if (parts[op].empty()) {
            continue;
        }
        const std::vector<std::string_view> fields = pieces(parts[op].substr(1), '\x01');
        const Text section = textInput(fields[0]);
        const Text key = fields.size() > 1 ? textInput(fields[1]) : Text();
        const std::string before = readBytes(file);
        if (parts[op].front() != 'W') {
            const Text value = ReadIni(file, section, key);
            FUZZ_CHECK(value.size() <= 127, shown(value));
            FUZZ_CHECK(value.find(u'\0') == Text::npos, shown(value));
            FUZZ_CHECK(readBytes(file) == before, "a read changed the file");
            continue;
        }
        const Text value = fields.size() > 2 ? textInput(fields[2]) : Text();
        const bool written = WriteIni(file, section, key, value);
        const std::string after = readBytes(file);
        if (!written) {
            FUZZ_CHECK(after == before, "a dropped write changed the file");
            continue;
        }
        checkOnlyTargetChanged(before, after, section, key);
        if (simpleName(trimmed(section)) && simpleName(trimmed(key)) && simpleValue(value)) {
            const Text back = ReadIni(file, section, key);
            FUZZ_CHECK(back == value, shown(value) + " read back as " + shown(back));
        }
    }
    return 0;
}
