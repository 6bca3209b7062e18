#include "app/installation.h"

#include "base/log.h"
#include "settings/profile_file.h"

#include <chrono>

namespace ride {

Installation::Installation(Platform platform, InstallationOptions options)
    : platform_(std::move(platform)), options_(std::move(options))
{
    // A save cut short (power lost, program killed) leaves its temporary file; no write runs
    // this long, so one a minute old is litter.
    for (const auto& left : sweepAbandonedTemporaryFiles(options_.settingsFile, std::chrono::minutes(1))) {
        logInfo("settings", "removed " + left.string() + ", left by a save that was cut short");
    }

    std::vector<Upkeep> upkeep = platform_.upkeep;
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
    return net;
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
