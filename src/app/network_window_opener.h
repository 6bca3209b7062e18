// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network window behind the console's "网络设置": created the first time the operator asks
// for it, then shown without modality on every press. Once created it lives, shown or hidden,
// until the program ends, and its timers keep the channels connected.
//
// The operator opened it to type into it, so it takes the keyboard focus; the focus belonged to
// the roaming program, which must have the bike keys again once the window is put away. So the
// window that had the focus when it was opened gets it back when it is hidden. An operator who
// clicks "网络设置" with the mouse has just given the focus to the console; then the window to
// give it back to is the last one outside the console that had it, which the focus watch keeps.
#include "app/window_views.h"
#include "network/frmsock.h"
#include "ui/timer.h"
#include "ui/timer_driver.h"

#include <functional>
#include <memory>

namespace ride {

class InputFocus;

class NetworkWindowOpener {
public:
    // Time for a window manager to act on the hidden window before the focus is checked again.
    static constexpr int kWindowManagerSettlesMs = 300;
    // How often the focus watch looks for the window outside the program that has the focus.
    static constexpr int kFocusWatchMs = 2000;

    // Without `focus` the focus is left to the window manager; without `views` the window is
    // not on screen and, without `timers`, its timers and the opener's own are ticked by the caller.
    NetworkWindowOpener(NetworkServices services, std::size_t channels, InputFocus* focus, WindowViews* views,
                        TimerDriver* timers);
    ~NetworkWindowOpener();
    NetworkWindowOpener(const NetworkWindowOpener&) = delete;
    NetworkWindowOpener& operator=(const NetworkWindowOpener&) = delete;

    // Creates the window (and its view) on the first call; shows it, brings it to the front and
    // gives it the keyboard focus.
    void show();

    // Remembers the window that has the focus now unless it is one of the program's own; the
    // focus watch calls this every two seconds, and the program whenever the focus leaves it.
    void noteFocusElsewhere();

    // Replaces the views' own-window test (for tests with made-up window ids).
    void setOwnWindowTest(std::function<bool(unsigned long)> test) { isOwnWindow_ = std::move(test); }

    // Empty until the first show().
    Frmsock* window() const { return model_.get(); }
    NetworkView* view() const { return view_.get(); }

    Timer focusWatch{"focus watch", kFocusWatchMs};
    // Single shot: started when the window is hidden, stops itself at its tick.
    Timer giveBackAgain{"focus given back again", kWindowManagerSettlesMs, false};

private:
    void onVisibilityChange();
    bool isOwnWindow(unsigned long window) const;

    NetworkServices services_;
    std::size_t channels_;
    InputFocus* focus_;
    WindowViews* views_;
    TimerDriver* timers_;
    // The window that had the focus when this one was last shown, while it is shown; 0 for none.
    unsigned long focusBeforeShow_ = 0;
    // The last window outside the console seen with the focus; 0 for none.
    unsigned long focusElsewhere_ = 0;
    std::function<bool(unsigned long)> isOwnWindow_;
    unsigned long giveBackAgainTo_ = 0;
    bool shown_ = false;
    // Declared after the model, the view goes first: it is bound to the model's widgets.
    std::unique_ptr<Frmsock> model_;
    std::unique_ptr<NetworkView> view_;
};

} // namespace ride
