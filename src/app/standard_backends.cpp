#include "app/standard_backends.h"


#include "input/x11/x11_cursor.h"
#include "input/x11/x11_focused_window.h"
#include "input/x11/x11_input_focus.h"
#include "input/x11/x11_keystrokes.h"
#include "io/qt/qt_serial_line.h"
#include "io/qt/qt_tcp_socket.h"
#include "media/mpv/mpv_player.h"
#include "media/process/process_animation_player.h"

#include "app/x11_display_check.h"

namespace ride {
namespace {

class X11Input : public InputPlatform {
public:
    explicit X11Input(const std::string& display)
        : cursor_(display), keys_(display), focusedWindow_(display), focus_(display)
    {
    }
    Cursor& cursor() override { return cursor_; }
    Keystrokes& keys() override { return keys_; }
    FocusedWindowSource* focusedWindow() override { return &focusedWindow_; }
    InputFocus* inputFocus() override { return &focus_; }
    std::vector<Upkeep> upkeep() override
    {
        // Characters the keymap lacks are typed through borrowed keycodes; give them back once the
        // roaming program has had time to read them, even when no further key string comes.
        return {{"keymap restore", std::chrono::milliseconds(1000), [this] {
                     if (keys_.holdsBindings()) {
                         keys_.restoreExpiredBindings();
                     }
                 }}};
    }

private:
    X11Cursor cursor_;
    X11Keystrokes keys_;
    X11FocusedWindow focusedWindow_;
    X11InputFocus focus_;
};

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
    table.input.push_back({"x11", x11DisplayUnavailable,
                           [](const BackendContext& context) -> std::unique_ptr<InputPlatform> {
                               return std::make_unique<X11Input>(context.displayName);
                           },
                           x11DisplayFindings});
    table.serial.push_back(
        {"qt", nullptr, [](const BackendContext&) -> std::unique_ptr<SerialLine> { return std::make_unique<QtSerialLine>(); }, nullptr});
    table.sockets.push_back({"qt", nullptr, [](const BackendContext&) -> std::unique_ptr<TcpSocketFactory> {
                                 return std::make_unique<QtTcpSocketFactory>();
                             },
                             nullptr});
    table.media.push_back(
        {"mpv", nullptr, [](const BackendContext&) -> std::unique_ptr<MediaBackend> { return std::make_unique<MpvMedia>(); }, nullptr});
    return table;
}

} // namespace ride
