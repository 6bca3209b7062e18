// SPDX-License-Identifier: GPL-3.0-or-later
#include "bike_sim/options.h"

#include <arpa/inet.h>

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

namespace ride::sim {
namespace {

std::optional<int> wholeNumber(std::string_view text)
{
    int value = 0;
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> seconds(std::string_view text)
{
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value < 0) {
        return std::nullopt;
    }
    return value;
}

bool fieldValue(std::string_view text, int& value)
{
    const auto parsed = wholeNumber(text);
    if (!parsed || *parsed < kFieldMin || *parsed > kFieldMax) {
        return false;
    }
    value = *parsed;
    return true;
}

// "SPEED,DIRECTION[,KEYS]" such as "12,90" or "12,90,ABBBBB".
std::optional<BikeState> constantState(std::string_view text)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ',') {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (parts.size() < 2 || parts.size() > 3) {
        return std::nullopt;
    }
    BikeState state;
    if (!fieldValue(parts[0], state.speed) || !fieldValue(parts[1], state.direction)) {
        return std::nullopt;
    }
    if (parts.size() == 3) {
        if (parts[2].size() != kKeyCount) {
            return std::nullopt;
        }
        for (std::size_t k = 0; k < kKeyCount; ++k) {
            const char c = parts[2][k];
            if (c != 'A' && c != 'B') {
                return std::nullopt;
            }
            state.keys[k] = c == 'A';
        }
    }
    return state;
}

// "serial" or "channel:N".
std::optional<LineSource> replaySource(std::string_view text)
{
    if (text == "serial") {
        return LineSource::serial();
    }
    if (!text.starts_with("channel:")) {
        return std::nullopt;
    }
    const auto channel = wholeNumber(text.substr(8));
    if (!channel || *channel < 0 || text.substr(8).starts_with('+')) {
        return std::nullopt;
    }
    return LineSource::tcpChannel(static_cast<std::size_t>(*channel));
}

bool tcpEndpoint(std::string_view text, Options& options)
{
    std::string_view port = text;
    if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
        std::string address(text.substr(0, colon));
        if (address == "localhost") {
            address = "127.0.0.1";
        }
        in_addr parsed{};
        if (inet_pton(AF_INET, address.c_str(), &parsed) != 1) {
            return false;
        }
        options.tcpAddress = address;
        port = text.substr(colon + 1);
    }
    const auto number = wholeNumber(port);
    if (!number || *number < 0 || *number > 65535) {
        return false;
    }
    options.tcpPort = *number;
    return true;
}

} // namespace

std::string usageText()
{
    return R"(Usage: bike-sim TRANSPORT... [RIDE] [OPTIONS]
       bike-sim --replay FILE [--source SOURCE] --to-ride
Plays the bike controller for ride-console: sends speed, steering and key records, or
plays back the bytes of a capture.

Transports (one serial and/or TCP):
  --serial             open a pseudo-terminal pair and print the path to put into
                       [串口设置] 端口 of 配置.ini
  --link PATH          also make PATH a symbolic link to that pseudo-terminal (implies --serial)
  --device PATH        write to a real serial device instead, e.g. /dev/ttyUSB0
  --baud N             baud rate for --device (default 9600)
  --tcp [ADDR:]PORT    listen for the console's channel 0 (default address 127.0.0.1;
                       port 0 picks a free one); prints what the console sends
Ride (default: the built-in demo ride, pedalling, steering and pressing keys):
  --constant S,D[,KEYS]  constant speed S and direction D, e.g. 12,90 or 12,90,ABBBBB
  --ride FILE          replay FILE: one step a line, "seconds speed direction keys",
                       e.g. "1.5 12 60 ABBBBB" (A pressed, B released; # comments)
  --loop               start the ride file over when its last step is reached
  --duration SECONDS   stop after this much riding
  --replay FILE        play back a capture of ride-console (--capture, [数据记录] 文件): the bytes
                       one source brought, exactly, chunk by chunk, with the recorded gaps
                       counted from its first chunk. A capture cut short or damaged plays up
                       to the damage, names the line, and bike-sim then ends with status 1
  --source SOURCE      the source to play: serial (default) or channel:N, TCP channel N
  --speed N            play N times faster (default 1). The console polls the serial line
                       every 30 ms and acts on the first record of each arrival, so a fast
                       replay merges records, as a fast controller would
  --to-ride            print the source's complete records as a ride file (for --ride)
                       instead of playing them: one line a record, at the time of the chunk
                       that completed it; needs no transport
Records:
  --interval MS        one record every MS milliseconds (default 50)
  --length 30|28       30-character records (default) or the short 28-character form
  --malform MODES      spoil some records on purpose; MODES is a comma list of
                       end-mark, letters, split, garbage
  --malform-every N    spoil every Nth record (default 5), taking the modes in turn
  --seed N             seed for the spoiled records' random parts (default 1)
  --verbose            print every record sent
  --reconnect-wait S   when the console goes away, wait S seconds for it to come back
                       before ending (default 3)
The ride, or the replay, starts when the console first opens the serial line or connects.
Ctrl-C ends bike-sim.
)";
}

std::variant<Options, OptionError> parseOptions(const std::vector<std::string>& args)
{
    Options options;
    bool rideChosen = false;
    // The last option given that shapes generated records, or that only a replay takes.
    std::string recordsOnly;
    std::string replayOnly;
    auto chooseRide = [&](RideKind kind) -> bool {
        if (rideChosen) {
            return false;
        }
        rideChosen = true;
        options.ride = kind;
        return true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) {
                return inlineValue;
            }
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            return args[++i];
        };
        auto missing = [&] { return OptionError{name + " needs a value (see --help)"}; };
        auto invalid = [&](const std::string& v, const std::string& what) {
            return OptionError{name + " " + v + ": " + what};
        };

        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--serial") {
            options.serial = true;
        } else if (name == "--verbose" || name == "-v") {
            options.verbose = true;
        } else if (name == "--loop") {
            options.loop = true;
        } else if (name == "--to-ride") {
            options.toRide = true;
        } else if (name == "--replay") {
            const auto v = value();
            if (!v || v->empty()) {
                return missing();
            }
            if (!chooseRide(RideKind::Replay)) {
                return OptionError{"choose one ride: --constant, --ride or --replay"};
            }
            options.replayFile = *v;
        } else if (name == "--source") {
            const auto v = value();
            if (!v) {
                return missing();
            }
            const auto source = replaySource(*v);
            if (!source) {
                return invalid(*v, "expected serial or channel:N");
            }
            options.replaySource = *source;
            replayOnly = name;
        } else if (name == "--speed") {
            const auto v = value();
            if (!v) {
                return missing();
            }
            const auto factor = seconds(*v);
            if (!factor || *factor <= 0) {
                return invalid(*v, "not a number above 0");
            }
            options.speed = *factor;
            replayOnly = name;
        } else if (name == "--link" || name == "--device" || name == "--ride") {
            const auto v = value();
            if (!v || v->empty()) {
                return missing();
            }
            if (name == "--link") {
                options.serial = true;
                options.link = *v;
            } else if (name == "--device") {
                options.device = *v;
            } else {
                if (!chooseRide(RideKind::File)) {
                    return OptionError{"choose one ride: --constant, --ride or --replay"};
                }
                options.rideFile = *v;
            }
        } else if (name == "--baud") {
            const auto v = value();
            if (!v) {
                return missing();
            }
            const auto baud = wholeNumber(*v);
            if (!baud || *baud <= 0) {
                return invalid(*v, "not a baud rate");
            }
            options.baud = *baud;
        } else if (name == "--tcp") {
            const auto v = value();
            if (!v) {
                return missing();
            }
            if (!tcpEndpoint(*v, options)) {
                return invalid(*v, "expected PORT or ADDRESS:PORT with an IPv4 address and a port 0..65535");
            }
            options.tcp = true;
        } else if (name == "--constant") {
            const auto v = value();
            if (!v) {
                return missing();
            }
            const auto state = constantState(*v);
            if (!state) {
                return invalid(*v, "expected SPEED,DIRECTION[,KEYS], numbers -99..999, KEYS six of A or B");
            }
            if (!chooseRide(RideKind::Constant)) {
                return OptionError{"choose one ride: --constant, --ride or --replay"};
            }
            options.constant = *state;
        } else if (name == "--duration" || name == "--reconnect-wait") {
            const auto v = value();
            if (!v) {
                return missing();
            }
            const auto s = seconds(*v);
            if (!s) {
                return invalid(*v, "not a number of seconds");
            }
            (name == "--duration" ? options.duration : options.reconnectWait) = *s;
        } else if (name == "--interval") {
            const auto v = value();
            if (!v) {
                return missing();
            }
            const auto ms = wholeNumber(*v);
            if (!ms || *ms < 1 || *ms > 60000) {
                return invalid(*v, "expected milliseconds from 1 to 60000");
            }
            options.intervalMs = *ms;
            recordsOnly = name;
        } else if (name == "--length") {
            const auto v = value();
            if (!v) {
                return missing();
            }
            if (*v == "30") {
                options.length = RecordLength::Full;
            } else if (*v == "28") {
                options.length = RecordLength::Short;
            } else {
                return invalid(*v, "records are 30 or 28 characters long");
            }
            recordsOnly = name;
        } else if (name == "--malform") {
            const auto v = value();
            if (!v) {
                return missing();
            }
            std::string_view list = *v;
            while (true) {
                const auto comma = list.find(',');
                const auto mode = parseMalform(list.substr(0, comma));
                if (!mode) {
                    return invalid(*v, "modes are " + malformNames());
                }
                options.malforms.push_back(*mode);
                if (comma == std::string_view::npos) {
                    break;
                }
                list.remove_prefix(comma + 1);
            }
            recordsOnly = name;
        } else if (name == "--malform-every" || name == "--seed") {
            const auto v = value();
            if (!v) {
                return missing();
            }
            const auto n = wholeNumber(*v);
            if (!n || *n < (name == "--seed" ? 0 : 1)) {
                return invalid(*v, name == "--seed" ? "not a number of 0 or more" : "expected a number of 1 or more");
            }
            if (name == "--seed") {
                options.seed = static_cast<std::uint32_t>(*n);
            } else {
                options.malformEvery = *n;
            }
            recordsOnly = name;
        } else {
            return OptionError{"unknown option " + args[i] + " (see --help)"};
        }
    }
    if (options.help) {
        return options;
    }
    const bool replay = options.ride == RideKind::Replay;
    if (!replay && (!replayOnly.empty() || options.toRide)) {
        return OptionError{(options.toRide ? std::string("--to-ride") : replayOnly) + " goes with --replay FILE"};
    }
    if (replay && !recordsOnly.empty()) {
        return OptionError{recordsOnly + " shapes generated records; --replay sends the captured bytes as they are"};
    }
    if (replay && options.toRide) {
        return options;
    }
    if (options.serial && !options.device.empty()) {
        return OptionError{"--serial/--link and --device both name the serial line; choose one"};
    }
    if (!options.serial && options.device.empty() && !options.tcp) {
        return OptionError{"no transport: give --serial, --device PATH and/or --tcp PORT (see --help)"};
    }
    if (options.loop && options.ride != RideKind::File) {
        return OptionError{"--loop replays a ride file; give --ride FILE"};
    }
    return options;
}

} // namespace ride::sim
