// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/serial_settings.h"

#include <charconv>
#include <string>
#include <vector>

namespace ride {
namespace {

std::string trimmedAscii(TextView field)
{
    std::string out;
    for (char16_t c : field) {
        if (c > 0x7F) {
            return "\x01"; // never a valid field
        }
        out.push_back(static_cast<char>(c));
    }
    const auto first = out.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = out.find_last_not_of(" \t");
    return out.substr(first, last - first + 1);
}

std::optional<int> wholeNumber(const std::string& text)
{
    int value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<SerialSettings> parseSerialSettings(TextView text)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const auto comma = text.find(u',', start);
        fields.push_back(trimmedAscii(text.substr(start, comma == TextView::npos ? TextView::npos : comma - start)));
        if (comma == TextView::npos) {
            break;
        }
        start = comma + 1;
    }
    if (fields.size() != 4) {
        return std::nullopt;
    }

    SerialSettings s;
    const auto baud = wholeNumber(fields[0]);
    // Rates beyond 4 Mbaud do not exist on the adapters this console meets.
    if (!baud || *baud < 50 || *baud > 4'000'000) {
        return std::nullopt;
    }
    s.baudRate = *baud;

    if (fields[1].size() != 1) {
        return std::nullopt;
    }
    switch (fields[1][0]) {
    case 'N':
    case 'n': s.parity = Parity::None; break;
    case 'E':
    case 'e': s.parity = Parity::Even; break;
    case 'O':
    case 'o': s.parity = Parity::Odd; break;
    case 'M':
    case 'm': s.parity = Parity::Mark; break;
    case 'S':
    case 's': s.parity = Parity::Space; break;
    default: return std::nullopt;
    }

    const auto bits = wholeNumber(fields[2]);
    if (!bits || *bits < 5 || *bits > 8) {
        return std::nullopt;
    }
    s.dataBits = *bits;

    if (fields[3] == "1") {
        s.stopBits = StopBits::One;
    } else if (fields[3] == "1.5") {
        s.stopBits = StopBits::OneAndHalf;
    } else if (fields[3] == "2") {
        s.stopBits = StopBits::Two;
    } else {
        return std::nullopt;
    }
    return s;
}

std::string serialSettingsText(const SerialSettings& settings)
{
    char parity = 'N';
    switch (settings.parity) {
    case Parity::Even: parity = 'E'; break;
    case Parity::Odd: parity = 'O'; break;
    case Parity::Mark: parity = 'M'; break;
    case Parity::Space: parity = 'S'; break;
    case Parity::None: break;
    }
    const char* stopBits = "1";
    switch (settings.stopBits) {
    case StopBits::OneAndHalf: stopBits = "1.5"; break;
    case StopBits::Two: stopBits = "2"; break;
    case StopBits::One: break;
    }
    return std::to_string(settings.baudRate) + ',' + parity + ',' + std::to_string(settings.dataBits) + ',' + stopBits;
}

} // namespace ride
