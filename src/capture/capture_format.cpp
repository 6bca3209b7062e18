// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/capture_format.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace ride {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::string_view kSeparator = " | ";

void appendHexEscape(std::string& out, unsigned char byte)
{
    out += "\\x";
    out.push_back(kHexDigits[byte >> 4]);
    out.push_back(kHexDigits[byte & 0x0F]);
}

void appendEscaped(std::string& out, std::string_view bytes, bool blanksToo)
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case ' ':
            if (blanksToo || i + 1 == bytes.size()) {
                appendHexEscape(out, byte);
            } else {
                out.push_back(c);
            }
            break;
        default:
            if (byte >= 0x20 && byte < 0x7F) {
                out.push_back(c);
            } else {
                appendHexEscape(out, byte);
            }
        }
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The next blank-separated field of `rest`, which then starts after the blank.
std::string_view takeField(std::string_view& rest)
{
    const std::size_t blank = rest.find(' ');
    const std::string_view field = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view{} : rest.substr(blank + 1);
    return field;
}

std::optional<std::int64_t> parseMicroseconds(std::string_view text)
{
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos || text.size() - dot != 4) {
        return std::nullopt;
    }
    std::int64_t whole = 0;
    int fraction = 0;
    const std::string_view left = text.substr(0, dot);
    const std::string_view right = text.substr(dot + 1);
    const auto a = std::from_chars(left.data(), left.data() + left.size(), whole);
    const auto b = std::from_chars(right.data(), right.data() + right.size(), fraction);
    if (left.empty() || a.ec != std::errc() || a.ptr != left.data() + left.size() || b.ec != std::errc() ||
        b.ptr != right.data() + right.size() || whole < 0) {
        return std::nullopt;
    }
    return whole * 1000 + fraction;
}

bool parseSource(std::string_view token, CaptureEntry& entry, std::string& why)
{
    if (token == "serial") {
        entry.source = LineSource::serial();
        return true;
    }
    if (!token.starts_with("tcp")) {
        why = "the source \"" + std::string(token) + "\" is neither serial nor tcp and a channel number";
        return false;
    }
    token.remove_prefix(3);
    const std::size_t at = token.find('@');
    const std::string_view number = token.substr(0, at);
    std::size_t channel = 0;
    const auto parsed = std::from_chars(number.data(), number.data() + number.size(), channel);
    if (number.empty() || parsed.ec != std::errc() || parsed.ptr != number.data() + number.size()) {
        why = "the channel number \"" + std::string(number) + "\" is not a number";
        return false;
    }
    entry.source = LineSource::tcpChannel(channel);
    if (at != std::string_view::npos) {
        const auto address = unescapeCaptureBytes(token.substr(at + 1));
        if (!address) {
            why = "the channel's address holds an unknown escape";
            return false;
        }
        entry.address = *address;
    }
    return true;
}

} // namespace

std::string escapeCaptureBytes(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + 8);
    appendEscaped(out, bytes, false);
    return out;
}

std::optional<std::string> unescapeCaptureBytes(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (i + 1 >= text.size()) {
            return std::nullopt;
        }
        const char kind = text[++i];
        switch (kind) {
        case '\\': out.push_back('\\'); break;
        case 'r': out.push_back('\r'); break;
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case 'x': {
            if (i + 2 >= text.size()) {
                return std::nullopt;
            }
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
            break;
        }
        default: return std::nullopt;
        }
    }
    return out;
}

std::string captureSourceToken(const LineSource& source, std::string_view address)
{
    if (source.kind == LineSource::Kind::Serial) {
        return "serial";
    }
    std::string token = source.name();
    if (!address.empty()) {
        token.push_back('@');
        appendEscaped(token, address, true);
    }
    return token;
}

std::string formatCaptureHeader(const CaptureHeader& header)
{
    std::string line(kCaptureMagic);
    auto field = [&](std::string_view text) {
        line += kSeparator;
        appendEscaped(line, text, false);
    };
    field(header.version);
    field("started " + header.started);
    field(header.serialDevice.empty() ? std::string("serial none")
                                      : "serial " + header.serialDevice + " " + header.serialSettings);
    for (std::size_t i = 0; i < header.channels.size(); ++i) {
        field("tcp" + std::to_string(i) + " " + (header.channels[i].empty() ? "none" : header.channels[i]));
    }
    return line;
}

void appendCaptureLine(std::string& out, std::int64_t microseconds, std::string_view wallClock,
                       std::string_view sourceToken, CaptureDirection direction, std::string_view bytes)
{
    char number[32];
    const auto whole = std::to_chars(number, number + sizeof number, microseconds / 1000);
    out.append(number, whole.ptr);
    const auto fraction = static_cast<int>(microseconds % 1000);
    out.push_back('.');
    out.push_back(static_cast<char>('0' + fraction / 100));
    out.push_back(static_cast<char>('0' + fraction / 10 % 10));
    out.push_back(static_cast<char>('0' + fraction % 10));
    out.push_back(' ');
    out += wallClock;
    out.push_back(' ');
    out += sourceToken;
    out += direction == CaptureDirection::In ? " in " : " out ";
    appendEscaped(out, bytes, false);
    out.push_back('\n');
}

std::string captureWallClock(std::int64_t unixMilliseconds)
{
    const auto seconds = static_cast<std::time_t>(unixMilliseconds / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(unixMilliseconds % 1000));
    return text;
}

std::variant<CaptureEntry, std::string> parseCaptureLine(std::string_view line)
{
    CaptureEntry entry;
    std::string_view rest = line;
    const std::string_view time = takeField(rest);
    const auto microseconds = parseMicroseconds(time);
    if (!microseconds) {
        return "the time \"" + std::string(time) + "\" is not milliseconds with three decimals";
    }
    entry.microseconds = *microseconds;
    entry.wallClock = std::string(takeField(rest));
    if (entry.wallClock.size() != 23 || entry.wallClock[10] != 'T') {
        return "the wall clock \"" + entry.wallClock + "\" is not YYYY-MM-DDTHH:MM:SS.mmm";
    }
    std::string why;
    if (!parseSource(takeField(rest), entry, why)) {
        return why;
    }
    const std::string_view direction = takeField(rest);
    if (direction == "in") {
        entry.direction = CaptureDirection::In;
    } else if (direction == "out") {
        entry.direction = CaptureDirection::Out;
    } else {
        return "the direction \"" + std::string(direction) + "\" is neither in nor out";
    }
    auto bytes = unescapeCaptureBytes(rest);
    if (!bytes) {
        return "the bytes hold a \"\\\" that starts no known escape";
    }
    if (bytes->empty()) {
        return "the line carries no bytes";
    }
    entry.bytes = std::move(*bytes);
    return entry;
}

} // namespace ride
