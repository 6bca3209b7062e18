#pragma once
// The network window behind the console's "网络设置": created the first time the operator asks
// for it, then shown without modality on every press. Once created it lives, shown or hidden,
// until the program ends, and its timers keep the channels connected.
//
// The operator opened it to type into it, so it takes the keyboard focus; the focus belonged to
// the roaming program, which must have the bike keys again once the window is put away. So the
// window that had the focus when it was opened gets it back when it is hidden. An operator who
// clicks "网络设置" with the mouse has just given the focus to the console; then the window to
// give it back to is the last one outside the console that had it.
#include "network/frmsock.h"

#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

namespace ride {

class FrmsockView;
class InputFocus;

class NetworkWindowOpener {
public:
    // Without `focus` the focus is left to the window manager.
    explicit NetworkWindowOpener(NetworkServices services, InputFocus* focus = nullptr);
    ~NetworkWindowOpener();
    NetworkWindowOpener(const NetworkWindowOpener&) = delete;
    NetworkWindowOpener& operator=(const NetworkWindowOpener&) = delete;

    // Creates the window (and its view) on the first call; shows it, brings it to the front and
    // gives it the keyboard focus.
    void show();

    // Tells whether a window is one of the program's own. Without it no window is.
    void setOwnWindowTest(std::function<bool(unsigned long)> test) { isOwnWindow_ = std::move(test); }

    // Remembers the window that has the focus now unless it is one of the program's own; the
    // program calls this now and then, and whenever the focus leaves its windows.
    void noteFocusElsewhere();

    // Empty until the first show().
    Frmsock* window() const { return model_.get(); }
    FrmsockView* view() const { return view_.get(); }

private:
    void onVisibilityChange();
    bool isOwnWindow(unsigned long window) const;

    NetworkServices services_;
    InputFocus* focus_;
    // The window that had the focus when this one was last shown, while it is shown; 0 for none.
    unsigned long focusBeforeShow_ = 0;
    // The last window outside the console seen with the focus; 0 for none.
    unsigned long focusElsewhere_ = 0;
    std::function<bool(unsigned long)> isOwnWindow_;
    // Time for a window manager to act on the hidden window before the focus is checked again.
    static constexpr std::chrono::milliseconds kWindowManagerSettles{300};
    QTimer giveBackAgain_;
    unsigned long giveBackAgainTo_ = 0;
    bool shown_ = false;
    // Declared after the model, the view goes first: it is bound to the model's widgets.
    std::unique_ptr<Frmsock> model_;
    std::unique_ptr<FrmsockView> view_;
};

} // namespace ride
