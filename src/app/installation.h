// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The front door: the whole installation assembled in one place from one value of chosen
// backends. The console, the player window and the network window with all their services, and
// the hops between them, each a named part: the console's video choice passed to the player, the
// player's PlayStop back to the console, a channel's arrival into the console's arrival point,
// and the capture of the traffic when one is asked for: every arrival at that point and every
// send of a channel. The program (app/desktop), the site check's choice of backends and the tests'
// one fixture all build it here; none of it needs a toolkit.
#include "app/network_window_opener.h"
#include "app/window_views.h"
#include "base/record_tally.h"
#include "capture/capture_disk.h"
#include "capture/traffic_capture.h"
#include "console/form1.h"
#include "input/input_platform.h"
#include "io/serial_line.h"
#include "io/tcp_socket.h"
#include "media/media_backend.h"
#include "network/frmsock.h"
#include "player/form4.h"
#include "ui/event_yield.h"
#include "ui/timer_driver.h"
#include "ui/yes_no_question.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ride {

// The chosen backends and the toolkit's services, for one run. Nothing here is owned; `input` and
// `serial` are required, the rest may be left out.
struct Platform {
    InputPlatform* input = nullptr;
    SerialLine* serial = nullptr;
    TcpSocketFactory* sockets = nullptr;
    MediaBackend* media = nullptr;
    // The network window's yields to pending events; null: nothing to yield to.
    EventYield* events = nullptr;
    // The one modal question of the send-failure policy.
    YesNoQuestion* question = nullptr;
    // Runs the timers that no window view runs (the backends' upkeep, the focus watch, and every
    // timer of a window shown by no view); null: whoever holds the installation ticks them.
    TimerDriver* timers = nullptr;
    // The windows on screen; null: the models work on their own, off screen.
    WindowViews* views = nullptr;
    // Ends the program ("结束", or closing the console).
    std::function<void()> endProgram;
    MonotonicClock clock = steadyNow;
    // More periodic work for the UI thread, besides the backends' own.
    std::vector<Upkeep> upkeep;
    // Where a capture is written; null: files on the local disk.
    CaptureDisk* captureDisk = nullptr;
};

// A capture of the traffic to the bike controller.
struct CaptureOptions {
    std::filesystem::path file;
    std::uint64_t limitBytes = 0;
    // As `ride-console --version` prints it, for the file's header.
    std::string version;
    // When the program started; none: when the installation was made.
    std::optional<MonotonicTime> started;
};

struct InstallationOptions {
    // "配置.ini" beside the program.
    std::filesystem::path settingsFile;
    std::size_t networkChannels = Frmsock::kDesignChannels;
    // None: nothing is captured.
    std::optional<CaptureOptions> capture = std::nullopt;
};

class Installation {
public:
    Installation(Platform platform, InstallationOptions options);
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // The system's start: loads the console, whose first act loads the player window; then
    // opens the capture, whose header names the serial device the console chose.
    void start();

    Form1& console() { return *console_; }
    const Form1& console() const { return *console_; }
    // The player window, made on its first use (the console's loading makes it).
    Form4& player();
    // Null until the player window exists.
    const Form4* playerIfLoaded() const { return player_.get(); }
    // Null until the operator first asks for the network window.
    Frmsock* networkWindow() const { return network_->window(); }
    NetworkWindowOpener& networkOpener() { return *network_; }
    const Platform& platform() const { return platform_; }
    const std::filesystem::path& settingsFile() const { return options_.settingsFile; }
    // Null unless a capture was asked for.
    const TrafficCapture* capture() const { return capture_.get(); }

    // The hops between the windows.
    // A change of the console's Text4 goes on into the player's Text1 (the empty text included).
    void passVideoToPlayer(const Text& file);
    // The player's PlayStop empties the console's Text4, so the same file can be chosen again.
    void playStop();
    // What a channel of the network window received enters the console's arrival point.
    void deliverFromChannel(const Arrival& arrival);

    // Starts the media engine ahead of the first video, whatever the settings name: the player's
    // control panel then shows, and the first choice shows at once, also one of a video named in
    // the settings after the start (the names are read at each choice).
    void prepareVideo();

    // The timers of periodic upkeep (the backends' and the platform's), for a caller without a
    // timer driver to tick.
    const std::vector<std::unique_ptr<Timer>>& upkeepTimers() const { return upkeep_; }

private:
    void drive(Timer& timer);
    NetworkServices networkServices();
    void makeCapture();
    CaptureHeader captureHeader() const;
    // The address channel `index` is connected to, "host:port"; empty when it has no socket.
    std::string channelAddress(std::size_t index) const;

    Platform platform_;
    InstallationOptions options_;
    std::vector<std::unique_ptr<Timer>> upkeep_;

    // Before the windows that feed it, so that it goes last and writes all they gave it.
    std::unique_ptr<CaptureDisk> captureDisk_;
    std::unique_ptr<TrafficCapture> capture_;
    // The header's settings as read at the start, so that a rotation reads no file.
    std::string captureSerialSettings_;
    std::vector<std::string> captureChannels_;

    // Destroyed in reverse: the network window (which writes into the console) first, then the
    // console's view and the console, the player's players before the surface they draw into, then
    // the player window.
    std::unique_ptr<Form4> player_;
    std::unique_ptr<PlayerView> playerView_;
    std::unique_ptr<MediaPlayer> media_;
    std::unique_ptr<AnimationPlayer> animation_;
    std::unique_ptr<Form1> console_;
    std::unique_ptr<WindowView> consoleView_;
    std::unique_ptr<NetworkWindowOpener> network_;
};

} // namespace ride
