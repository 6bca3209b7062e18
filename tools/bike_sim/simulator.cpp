// SPDX-License-Identifier: GPL-3.0-or-later
#include "bike_sim/simulator.h"

#include "bike_sim/printable_text.h"
#include "bike_sim/record.h"
#include "common/clock_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <poll.h>
#include <unistd.h>

namespace ride::sim {
namespace {

// How often an unopened pseudo-terminal is looked at: a hung-up one cannot sit in poll().
constexpr auto kPresenceCheck = std::chrono::milliseconds(100);
// How long a replay stays after its last chunk: ten of the console's serial polls.
constexpr auto kLinger = std::chrono::milliseconds(300);

std::string rideName(const Options& options)
{
    switch (options.ride) {
    case RideKind::Demo: return "the demo ride";
    case RideKind::Constant:
        return "speed " + std::to_string(options.constant.speed) + ", direction " +
               std::to_string(options.constant.direction);
    case RideKind::File: return "the ride file " + options.rideFile + (options.loop ? " (looping)" : "");
    case RideKind::Replay: {
        char speed[32];
        std::snprintf(speed, sizeof speed, "%g", options.speed);
        return "the capture " + options.replayFile + ", the bytes from " + sourceName(options.replaySource) +
               (options.speed == 1 ? std::string(" at their recorded times")
                                   : std::string(", ") + speed + " times faster");
    }
    }
    return {};
}

} // namespace

Simulator::Simulator(Options options, std::unique_ptr<Ride> ride, std::unique_ptr<CaptureReplay> replay,
                     std::ostream& out, int stopFd)
    : options_(std::move(options)), ride_(std::move(ride)), replay_(std::move(replay)), out_(out), stopFd_(stopFd),
      random_(options_.seed)
{
    if (replay_) {
        nextChunk_ = replay_->next();
    }
}

void Simulator::say(const std::string& line)
{
    out_ << tools::clockNow() << ' ' << line << '\n' << std::flush;
}

bool Simulator::open()
{
    std::string error;
    if (options_.serial) {
        serial_ = SerialEnd::openPseudoTerminal(options_.link, error);
        if (!serial_) {
            say("error: " + error);
            return false;
        }
        const std::string& where = serial_->link().empty() ? serial_->path() : serial_->link();
        say("serial line ready: " + serial_->path() +
            (serial_->link().empty() ? "" : " (link " + serial_->link() + ")"));
        say("  put into 配置.ini: [串口设置] 端口=" + where + " and 设置=9600,N,8,1");
    } else if (!options_.device.empty()) {
        serial_ = SerialEnd::openDevice(options_.device, options_.baud, error);
        if (!serial_) {
            say("error: " + error);
            return false;
        }
        say("serial device " + serial_->path() + " open at " + std::to_string(options_.baud) + " baud, 8N1");
    }
    if (options_.tcp) {
        tcp_ = TcpEnd::listen(options_.tcpAddress, options_.tcpPort, error);
        if (!tcp_) {
            say("error: " + error);
            return false;
        }
        const std::string host = tcp_->address() == "0.0.0.0" ? "<this machine's address>" : tcp_->address();
        say("tcp listening on " + tcp_->address() + ":" + std::to_string(tcp_->port()));
        say("  put into 配置.ini: [网络参数] TxtTcpIp0=" + host + " and TxtTcpPost0=" + std::to_string(tcp_->port()) +
            "; the console connects once 网络设置 has been pressed");
    }
    return true;
}

bool Simulator::consoleConnected() const
{
    return serialThere_ || (tcp_ && !tcp_->peers().empty());
}

void Simulator::notePresence(Clock::time_point now)
{
    if (serial_ && serial_->isPseudoTerminal()) {
        const bool there = serial_->consoleThere();
        if (there != serialThere_) {
            serialThere_ = there;
            if (there) {
                say("console opened the serial line " + serial_->path());
            } else {
                say("console closed the serial line");
                serial_->outbox().clear();
            }
        }
    } else if (serial_) {
        serialThere_ = !deviceGone_;
    }

    if (consoleConnected()) {
        goneSince_.reset();
        everConnected_ = true;
        if (!rideStart_) {
            rideStart_ = now;
            nextRecord_ = now;
            if (replay_) {
                say("the replay starts: " + rideName(options_));
            } else {
                say("the ride starts: " + rideName(options_) + ", a " +
                    std::to_string(static_cast<int>(options_.length)) + "-character record every " +
                    std::to_string(options_.intervalMs) + " ms");
            }
        }
    } else if (everConnected_ && !goneSince_) {
        goneSince_ = now;
        if (options_.reconnectWait > 0) {
            char wait[32];
            std::snprintf(wait, sizeof wait, "%g", options_.reconnectWait);
            say(std::string("no console connected; waiting ") + wait + " s for it to come back");
        }
    }
}

void Simulator::reportKeys(const BikeState& state)
{
    for (int k = 0; k < kKeyCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const bool before = previous_ ? previous_->keys[i] : false;
        if (state.keys[i] == before) {
            continue;
        }
        std::string line = "key " + std::to_string(k + 1) + (state.keys[i] ? " pressed" : " released");
        if (options_.length == RecordLength::Short && k >= kKeyCount - 2) {
            line += " (28-character records do not carry it)";
        }
        say(line);
    }
    previous_ = state;
}

bool Simulator::makeRecord(Clock::time_point now)
{
    const std::chrono::duration<double> elapsed = nextRecord_ - *rideStart_;
    const double t = elapsed.count();
    if (options_.duration > 0 && t >= options_.duration) {
        return false;
    }
    const auto length = ride_->length();
    lastRecordMade_ = length && t >= *length;
    const BikeState state = ride_->at(lastRecordMade_ ? *length : t);
    reportKeys(state);
    const std::string record = formatRecord(state, options_.length);
    ++sent_;

    Pieces pieces{record};
    if (!options_.malforms.empty() && sent_ % options_.malformEvery == 0) {
        const Malform mode = options_.malforms[nextMalform_++ % options_.malforms.size()];
        pieces = malformRecord(record, mode, random_);
        ++spoiled_;
        std::string shown;
        for (const auto& piece : pieces) {
            shown += (shown.empty() ? "\"" : " + \"") + printable(piece) + "\"";
        }
        say("sending a spoiled record (" + std::string(malformName(mode)) + "): " + shown);
    } else if (options_.verbose) {
        say("sending " + record);
    }
    // Pieces of a split record follow each other within the record's own interval.
    const auto gap = std::chrono::milliseconds(options_.intervalMs) / static_cast<int>(pieces.size());
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        pieces_.push_back({now + gap * static_cast<int>(k), pieces[k]});
    }

    // A simulator held up (a suspended terminal, a loaded machine) skips the records it
    // missed instead of sending them in a burst the console would mostly throw away.
    const auto interval = std::chrono::milliseconds(options_.intervalMs);
    do {
        nextRecord_ += interval;
    } while (nextRecord_ <= now);
    return true;
}

Simulator::Clock::time_point Simulator::dueAt(const ReplayChunk& chunk) const
{
    return *rideStart_ +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(chunk.seconds / options_.speed));
}

bool Simulator::playReplay(Clock::time_point now)
{
    // Chunks due together go out together, as a controller that fast would send them.
    while (nextChunk_ && dueAt(*nextChunk_) <= now) {
        if (options_.verbose) {
            say("sending \"" + printable(nextChunk_->bytes) + "\"");
        }
        deliver(nextChunk_->bytes);
        ++sent_;
        bytesSent_ += static_cast<long long>(nextChunk_->bytes.size());
        nextChunk_ = replay_->next();
    }
    return nextChunk_.has_value();
}

void Simulator::deliver(const std::string& bytes)
{
    auto add = [&](Outbox& outbox) {
        if (!outbox.add(bytes)) {
            ++dropped_;
            if (dropped_ == 1 || dropped_ % 100 == 0) {
                say("the console is not reading: " + std::to_string(dropped_) + " records dropped so far");
            }
        }
    };
    if (serial_ && serialThere_) {
        add(serial_->outbox());
    }
    if (tcp_) {
        for (auto& peer : tcp_->peers()) {
            add(peer.outbox);
        }
    }
}

bool Simulator::flushAll()
{
    bool empty = true;
    if (serial_ && serialThere_) {
        const auto result = serial_->outbox().flush(serial_->fd());
        if (result == Outbox::Result::Gone) {
            serial_->outbox().clear();
            if (!serial_->isPseudoTerminal()) {
                deviceGone_ = true;
                say("error: the serial device " + serial_->path() + " went away");
            }
        }
        empty = empty && serial_->outbox().empty();
    }
    if (tcp_) {
        std::vector<TcpPeer*> broken;
        for (auto& peer : tcp_->peers()) {
            if (peer.outbox.flush(peer.fd) == Outbox::Result::Gone) {
                broken.push_back(&peer);
            }
            empty = empty && peer.outbox.empty();
        }
        for (TcpPeer* peer : broken) {
            say("the tcp connection from " + peer->name + " broke");
            tcp_->drop(*peer);
        }
    }
    return empty;
}

void Simulator::readPeer(TcpPeer& peer, bool& closed)
{
    std::string received;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(peer.fd, buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        closed = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        break;
    }
    if (!received.empty()) {
        say("from console over tcp " + peer.name + ": \"" + printable(received) + "\"");
    }
    if (closed) {
        say("console closed the tcp connection from " + peer.name);
    }
}

void Simulator::readSerial()
{
    std::string received;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(serial_->fd(), buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // A pseudo-terminal whose other end closed reads as an error; its hang-up is noticed
        // by the presence check. A device that errs is gone.
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && !serial_->isPseudoTerminal()) {
            deviceGone_ = true;
            say("error: the serial device " + serial_->path() + " went away");
        }
        break;
    }
    if (!received.empty()) {
        say("from console over the serial line: \"" + printable(received) + "\"");
    }
}

std::optional<Simulator::Clock::time_point> Simulator::nextWake(Clock::time_point now) const
{
    std::optional<Clock::time_point> wake;
    auto consider = [&](Clock::time_point t) {
        if (!wake || t < *wake) {
            wake = t;
        }
    };
    if (rideStart_ && ride_ && !lastRecordMade_) {
        consider(nextRecord_);
    }
    if (rideStart_ && nextChunk_) {
        consider(dueAt(*nextChunk_));
    }
    if (lingerUntil_) {
        consider(*lingerUntil_);
    }
    if (!pieces_.empty()) {
        consider(pieces_.front().due);
    }
    if (goneSince_) {
        consider(*goneSince_ +
                 std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options_.reconnectWait)));
    }
    if (serial_ && serial_->isPseudoTerminal() && !serialThere_) {
        consider(now + kPresenceCheck);
    }
    return wake;
}

int Simulator::run()
{
    auto finish = [this](const std::string& why, int status) {
        if (replay_) {
            say(why + "; sent " + std::to_string(sent_) + " chunks, " + std::to_string(bytesSent_) + " bytes (" +
                std::to_string(dropped_) + " chunks dropped)");
        } else {
            say(why + "; sent " + std::to_string(sent_) + " records (" + std::to_string(spoiled_) + " spoiled, " +
                std::to_string(dropped_) + " dropped)");
        }
        return status;
    };
    for (;;) {
        const auto now = Clock::now();
        notePresence(now);
        if (deviceGone_) {
            return finish("ending", 1);
        }
        if (goneSince_ && std::chrono::duration<double>(now - *goneSince_).count() >= options_.reconnectWait) {
            return finish("the console has gone away; ending", 0);
        }
        if (rideStart_ && ride_ && !lastRecordMade_ && now >= nextRecord_ && !makeRecord(now)) {
            return finish("the ride is over (--duration)", 0);
        }
        if (rideStart_ && replay_ && !replayOver_) {
            if (options_.duration > 0 &&
                std::chrono::duration<double>(now - *rideStart_).count() >= options_.duration) {
                return finish("the replay is over (--duration)", 0);
            }
            replayOver_ = !playReplay(now);
        }
        while (!pieces_.empty() && pieces_.front().due <= now) {
            deliver(pieces_.front().bytes);
            pieces_.pop_front();
        }
        const bool flushed = flushAll();
        if (deviceGone_) {
            return finish("ending", 1);
        }
        if (lastRecordMade_ && pieces_.empty() && flushed) {
            return finish("the ride is over (last step of the ride file sent)", 0);
        }
        if (replayOver_ && flushed && !lingerUntil_) {
            // Closing a pseudo-terminal throws away what the console has not read yet: the last
            // chunk gets some of its polls first.
            lingerUntil_ = now + kLinger;
        }
        if (lingerUntil_ && now >= *lingerUntil_) {
            if (replay_->stopped()) {
                return finish("the replay stopped at " + replay_->describeStop(), 1);
            }
            return finish("the replay is over (the last chunk of the capture sent)", 0);
        }

        enum class Source { Stop, Listener, Peer, Serial };
        std::vector<pollfd> fds;
        std::vector<std::pair<Source, TcpPeer*>> sources;
        fds.push_back({stopFd_, POLLIN, 0});
        sources.emplace_back(Source::Stop, nullptr);
        if (tcp_) {
            fds.push_back({tcp_->listenFd(), POLLIN, 0});
            sources.emplace_back(Source::Listener, nullptr);
            for (auto& peer : tcp_->peers()) {
                fds.push_back({peer.fd, static_cast<short>(POLLIN | (peer.outbox.empty() ? 0 : POLLOUT)), 0});
                sources.emplace_back(Source::Peer, &peer);
            }
        }
        if (serial_ && serialThere_) {
            fds.push_back({serial_->fd(), static_cast<short>(POLLIN | (serial_->outbox().empty() ? 0 : POLLOUT)), 0});
            sources.emplace_back(Source::Serial, nullptr);
        }
        int timeoutMs = -1;
        if (const auto wake = nextWake(now)) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*wake - Clock::now()).count();
            timeoutMs = static_cast<int>(std::clamp<long long>(left, 0, 60'000));
        }
        if (poll(fds.data(), fds.size(), timeoutMs) < 0) {
            if (errno == EINTR) {
                continue;
            }
            say(std::string("error: poll failed: ") + std::strerror(errno));
            return finish("ending", 1);
        }

        std::vector<TcpPeer*> closedPeers;
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            switch (sources[i].first) {
            case Source::Stop: return finish("stopped", 0);
            case Source::Listener:
                while (TcpPeer* peer = tcp_->accept()) {
                    say("console connected over tcp from " + peer->name);
                }
                break;
            case Source::Peer: {
                bool closed = (fds[i].revents & (POLLERR | POLLNVAL)) != 0;
                if (closed) {
                    say("the tcp connection from " + sources[i].second->name + " broke");
                } else if (fds[i].revents & (POLLIN | POLLHUP)) {
                    readPeer(*sources[i].second, closed);
                }
                if (closed) {
                    closedPeers.push_back(sources[i].second);
                }
                break;
            }
            case Source::Serial:
                if (fds[i].revents & POLLIN) {
                    readSerial();
                }
                if (!serial_->isPseudoTerminal() && (fds[i].revents & (POLLHUP | POLLERR | POLLNVAL))) {
                    deviceGone_ = true;
                    say("error: the serial device " + serial_->path() + " went away");
                }
                break;
            }
        }
        for (TcpPeer* peer : closedPeers) {
            tcp_->drop(*peer);
        }
    }
}

} // namespace ride::sim
