// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/installation.h"

#include "base/log.h"
#include "io/serial_settings.h"
#include "network/channel_settings.h"
#include "settings/profile_file.h"

#include <chrono>
#include <stdexcept>

namespace ride {

Installation::Installation(Platform platform, InstallationOptions options)
    : platform_(std::move(platform)), options_(std::move(options))
{
    if (!platform_.input || !platform_.serial) {
        throw std::invalid_argument("an installation needs a pointer-and-key backend and a serial line");
    }
    // A save cut short (power lost, program killed) leaves its temporary file; no write runs
    // this long, so one a minute old is litter.
    for (const auto& left : sweepAbandonedTemporaryFiles(options_.settingsFile, std::chrono::minutes(1))) {
        logInfo("settings", "removed " + left.string() + ", left by a save that was cut short");
    }

    std::vector<Upkeep> upkeep = platform_.upkeep;
    if (options_.capture) {
        makeCapture();
        upkeep.push_back({"capture flush", TrafficCapture::kFlushPeriod, [this] { capture_->flush(); }});
    }
    if (platform_.input) {
        for (Upkeep& task : platform_.input->upkeep()) {
            upkeep.push_back(std::move(task));
        }
    }
    for (Upkeep& task : upkeep) {
        auto timer = std::make_unique<Timer>(task.name, static_cast<int>(task.period.count()));
        timer->onTick(std::move(task.run));
        drive(*timer);
        upkeep_.push_back(std::move(timer));
    }

    ConsoleServices services;
    services.settingsFile = options_.settingsFile;
    services.serial = platform_.serial;
    services.cursor = &platform_.input->cursor();
    services.keys = &platform_.input->keys();
    services.focusedWindow = platform_.input->focusedWindow();
    services.loadPlayerWindow = [this] { player(); };
    services.requestMedia = [this](const Text& file) { passVideoToPlayer(file); };
    services.showNetworkWindow = [this] { network_->show(); };
    services.endProgram = platform_.endProgram;
    services.clock = platform_.clock;
    console_ = std::make_unique<Form1>(std::move(services));
    if (capture_) {
        console_->arrivals().listen([this](const Arrival& arrival) {
            const std::string address = arrival.source.kind == LineSource::Kind::Channel
                                            ? channelAddress(arrival.source.channel)
                                            : std::string();
            capture_->record(arrival.source, address, CaptureDirection::In, arrival.bytes);
        });
    }

    network_ = std::make_unique<NetworkWindowOpener>(networkServices(), options_.networkChannels,
                                                     platform_.input->inputFocus(), platform_.views, platform_.timers);
    network_->noteFocusElsewhere();

    if (platform_.views) {
        consoleView_ = platform_.views->consoleView(*console_);
    } else {
        drive(console_->Timer1);
        drive(console_->Timer2);
        drive(console_->TMR判断是否是人操作的);
    }
}

Installation::~Installation() = default;

NetworkServices Installation::networkServices()
{
    NetworkServices net;
    net.settingsFile = options_.settingsFile;
    net.sockets = platform_.sockets;
    net.events = platform_.events;
    net.question = platform_.question;
    net.log = &console_->List1;
    net.deliverToConsole = [this](const Arrival& arrival) { deliverFromChannel(arrival); };
    if (capture_) {
        net.sent = [this](std::size_t channel, std::string_view bytes) {
            capture_->record(LineSource::tcpChannel(channel), channelAddress(channel), CaptureDirection::Out, bytes);
        };
    }
    return net;
}

void Installation::makeCapture()
{
    const CaptureOptions& wanted = *options_.capture;
    if (!platform_.captureDisk) {
        captureDisk_ = std::make_unique<FileCaptureDisk>();
        platform_.captureDisk = captureDisk_.get();
    }
    CaptureConfig config;
    config.file = wanted.file;
    config.limitBytes = wanted.limitBytes;
    config.clock = platform_.clock;
    config.started = wanted.started.value_or(platform_.clock());
    capture_ =
        std::make_unique<TrafficCapture>(*platform_.captureDisk, std::move(config), [this] { return captureHeader(); });
}

CaptureHeader Installation::captureHeader() const
{
    CaptureHeader header;
    header.version = options_.capture->version;
    header.serialDevice = platform_.serial ? platform_.serial->deviceName() : std::string();
    header.serialSettings = captureSerialSettings_;
    header.channels = captureChannels_;
    // The operator may have pointed a channel elsewhere since the start.
    if (const Frmsock* window = networkWindow()) {
        for (std::size_t i = 0; i < window->channelCount() && i < header.channels.size(); ++i) {
            const Channel& ch = window->channel(i);
            header.channels[i] =
                ch.TxtTcpIp.text().empty() ? std::string() : toUtf8(ch.TxtTcpIp.text() + u":" + ch.TxtTcpPost.text());
        }
    }
    return header;
}

std::string Installation::channelAddress(std::size_t index) const
{
    const Frmsock* window = networkWindow();
    if (!window || index >= window->channelCount() || !window->channel(index).WinsockTcp) {
        return {};
    }
    const TcpSocket& socket = *window->channel(index).WinsockTcp;
    return toUtf8(socket.remoteHost()) + ":" + std::to_string(socket.remotePort());
}

void Installation::drive(Timer& timer)
{
    if (platform_.timers) {
        platform_.timers->drive(timer);
    }
}

void Installation::start()
{
    console_->load();
    if (capture_) {
        // What the line runs at: a text it rejects leaves the default in place.
        const auto serial = parseSerialSettings(ReadIni(options_.settingsFile, u"串口设置", u"设置"));
        captureSerialSettings_ = serialSettingsText(serial.value_or(SerialSettings{}));
        captureChannels_.clear();
        for (std::size_t i = 0; i < options_.networkChannels; ++i) {
            const Text ip = ReadIni(options_.settingsFile, kNetworkSection, channelSettingKey(channel_setting::kIp, i));
            const Text port =
                ReadIni(options_.settingsFile, kNetworkSection, channelSettingKey(channel_setting::kPort, i));
            captureChannels_.push_back(ip.empty() ? std::string() : toUtf8(ip + u":" + port));
        }
        capture_->open();
    }
}

Form4& Installation::player()
{
    if (player_) {
        return *player_;
    }
    player_ = std::make_unique<Form4>(options_.settingsFile);
    VideoSurface* surface = nullptr;
    if (platform_.views) {
        playerView_ = platform_.views->playerView(*player_);
        surface = &playerView_->videoSurface();
    } else {
        drive(player_->Timer1);
    }
    // Media and animation names may be relative to the program's directory.
    const std::filesystem::path directory = options_.settingsFile.parent_path();
    if (platform_.media) {
        media_ = platform_.media->makeMediaPlayer(surface, directory);
        animation_ = platform_.media->makeAnimationPlayer(directory);
    }
    if (media_ && animation_) {
        player_->attachPlayers(*media_, *animation_);
    }
    player_->setPlayStopAction([this] { playStop(); });
    player_->load();
    return *player_;
}

void Installation::passVideoToPlayer(const Text& file)
{
    player().Text1.setText(file);
}

void Installation::playStop()
{
    console_->Text4.setText({});
}

void Installation::deliverFromChannel(const Arrival& arrival)
{
    console_->arrivals().arrive(arrival);
}

void Installation::prepareVideo()
{
    if (media_) {
        media_->prepare();
    }
}

} // namespace ride
