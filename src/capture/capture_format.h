// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The capture file: what crossed the lines to the bike controller, one line per arrival or send,
// readable in a text editor and with grep, and played back by bike-sim. Written and read by these
// functions only:
//
//   # ride-console capture 1 | ride-console 0.1 | started 2026-12-07T21:58:03.114+0100 | serial /dev/bike ...
//   1523.118 2026-12-07T21:58:04.637 serial in :::S=010xxx090xxxxxx,DIBBBBBB.
//   2101.004 2026-12-07T21:58:05.215 tcp0@127.0.0.1:8001 out 99991
//
// A line's fields are separated by one blank: milliseconds since the console started (three
// decimals), the wall clock (local time, to the millisecond), the source ("serial", or "tcp" and
// the channel's index, "@" and the address it is connected to), the direction ("in" from the
// controller, "out" from the console), and the bytes exactly as they crossed the line. Bytes 0x20
// to 0x7E stand for themselves, except "\", written "\\", and a blank that ends the line, written
// "\x20" (editors drop trailing blanks); CR, LF and TAB are "\r", "\n" and "\t"; every other byte
// is "\x" and two upper-case hexadecimal digits. So a record that came in one piece reads as it is.
// Lines starting with "#" are comments; the first line is the header.
#include "io/arrival.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ride {

enum class CaptureDirection { In, Out };

// The start of every capture's first line; the number is the format's.
inline constexpr std::string_view kCaptureMagic = "# ride-console capture 1";

// What the first line says besides the magic: who wrote the file, when the console started, and
// the settings that shape what the console made of the bytes.
struct CaptureHeader {
    std::string version; // as `ride-console --version` prints it
    std::string started; // wall clock of the console's start, with its UTC offset
    std::string serialDevice;
    std::string serialSettings;
    // Each channel's address as set ("host:port"), by index; empty when not set.
    std::vector<std::string> channels;
};

struct CaptureEntry {
    std::int64_t microseconds = 0; // since the console started
    std::string wallClock;
    LineSource source;
    std::string address; // the channel's address; empty for the serial line
    CaptureDirection direction = CaptureDirection::In;
    std::string bytes;
};

std::string escapeCaptureBytes(std::string_view bytes);
// The bytes a text of escapeCaptureBytes stands for; nothing for a text no writer makes.
std::optional<std::string> unescapeCaptureBytes(std::string_view text);

// "serial", or "tcp0@127.0.0.1:8001" ("tcp0" when the address is not known); blanks in the address
// are escaped, so that the token stays one field.
std::string captureSourceToken(const LineSource& source, std::string_view address);

// The header line, without its line end.
std::string formatCaptureHeader(const CaptureHeader& header);

// Appends one line, line end included. `wallClock` as captureWallClock writes it.
void appendCaptureLine(std::string& out, std::int64_t microseconds, std::string_view wallClock,
                       std::string_view sourceToken, CaptureDirection direction, std::string_view bytes);

// "2026-12-07T21:58:04.637", local time.
std::string captureWallClock(std::int64_t unixMilliseconds);

// One line without its line end: the entry, or why the line is not one.
std::variant<CaptureEntry, std::string> parseCaptureLine(std::string_view line);

} // namespace ride
