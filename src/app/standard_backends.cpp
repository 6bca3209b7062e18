// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/standard_backends.h"

#include "check/probe/controller_probe.h"
#include "check/probe/media_probe.h"
#include "check/probe/serial_probe.h"
#include "check/probe/site_check.h"
#include "input/x11/x11_availability.h"
#include "input/x11/x11_platform.h"
#include "io/qt/qt_serial_line.h"
#include "io/qt/qt_tcp_socket.h"
#include "media/mpv/mpv_player.h"
#include "media/process/process_animation_player.h"

namespace ride {
namespace {

// How long a controller may take to accept a connection.
constexpr std::chrono::seconds kConnectLimit{3};

// The display the context names, else $DISPLAY, as the environment describes the session.
X11Availability inspectX11Display(const BackendContext& context)
{
    DisplayEnvironment environment = currentDisplayEnvironment();
    if (!context.displayName.empty()) {
        environment.display = context.displayName.c_str();
    }
    return ride::inspectX11Display(environment);
}

class MpvMedia : public MediaBackend {
public:
    std::unique_ptr<MediaPlayer> makeMediaPlayer(VideoSurface* surface,
                                                 const std::filesystem::path& mediaDirectory) override
    {
        if (!surface) {
            return nullptr;
        }
        return std::make_unique<MpvPlayer>(*surface, mediaDirectory);
    }
    std::unique_ptr<AnimationPlayer> makeAnimationPlayer(const std::filesystem::path& workingDirectory) override
    {
        return std::make_unique<ProcessAnimationPlayer>(workingDirectory);
    }
};

} // namespace

BackendTable standardBackends()
{
    BackendTable table;
    table.input.push_back({"x11", [](const BackendContext& context) { return whyUnusable(inspectX11Display(context)); },
                           [](const BackendContext& context) -> std::unique_ptr<InputPlatform> {
                               return std::make_unique<X11Platform>(context.displayName);
                           },
                           [](const BackendContext& context) { return siteFindings(inspectX11Display(context)); }});
    table.serial.push_back(
        {"qt", nullptr,
         [](const BackendContext&) -> std::unique_ptr<SerialLine> { return std::make_unique<QtSerialLine>(); },
         // The device the settings name: there, open to this user, taking the line settings.
         [](const BackendContext& context) {
             return findingsOf([&](CheckReport& r) { probeSerialLine(readSiteSettings(context.settingsFile), r); });
         }});
    table.sockets.push_back({"qt", nullptr,
                             [](const BackendContext&) -> std::unique_ptr<TcpSocketFactory> {
                                 return std::make_unique<QtTcpSocketFactory>();
                             },
                             // Each configured controller: resolves and accepts a connection in time.
                             [](const BackendContext& context) {
                                 return findingsOf([&](CheckReport& r) {
                                     probeControllers(readSiteSettings(context.settingsFile), r, kConnectLimit);
                                 });
                             }});
    table.media.push_back(
        {"mpv", nullptr,
         [](const BackendContext&) -> std::unique_ptr<MediaBackend> { return std::make_unique<MpvMedia>(); },
         // The videos and the animation program: there, readable, and opened by libmpv.
         [](const BackendContext& context) {
             return findingsOf([&](CheckReport& r) {
                 probeVideos(context.settingsFile.parent_path(), readSiteSettings(context.settingsFile), r);
             });
         }});
    return table;
}

} // namespace ride
