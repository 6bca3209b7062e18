#include "app/network_window_opener.h"

#include "input/input_focus.h"
#include "network/view/frmsock_view.h"

namespace ride {

NetworkWindowOpener::NetworkWindowOpener(NetworkServices services, InputFocus* focus)
    : services_(std::move(services)), focus_(focus)
{
    giveBackAgain_.setSingleShot(true);
    giveBackAgain_.setInterval(kWindowManagerSettles);
    giveBackAgain_.callOnTimeout([this] {
        if (!model_->window.visible() && isOwnWindow(focus_->current())) {
            focus_->giveTo(giveBackAgainTo_);
        }
    });
}

NetworkWindowOpener::~NetworkWindowOpener() = default;

void NetworkWindowOpener::show()
{
    if (!model_) {
        model_ = std::make_unique<Frmsock>(services_);
        view_ = std::make_unique<FrmsockView>(*model_);
        // Registered after the view's own binding, so the window is already off screen when the
        // focus is given back.
        model_->window.onViewUpdate([this] { onVisibilityChange(); });
    }
    // A press while the window is shown keeps the window remembered at the first: the focus
    // is this window's own by now.
    if (!model_->window.visible() && focus_) {
        const unsigned long now = focus_->current();
        focusBeforeShow_ = isOwnWindow(now) ? focusElsewhere_ : now;
    }
    model_->window.show();
    view_->raise();
    view_->activateWindow();
}

bool NetworkWindowOpener::isOwnWindow(unsigned long window) const
{
    return window != 0 && isOwnWindow_ && isOwnWindow_(window);
}

void NetworkWindowOpener::noteFocusElsewhere()
{
    if (!focus_) {
        return;
    }
    // Nobody focused (the roaming program has just closed) keeps the last one seen: giving the
    // focus to a window that has gone does nothing.
    const unsigned long now = focus_->current();
    if (now != 0 && !isOwnWindow(now)) {
        focusElsewhere_ = now;
    }
}

void NetworkWindowOpener::onVisibilityChange()
{
    const bool visible = model_->window.visible();
    if (visible == shown_) {
        return; // a move or resize
    }
    shown_ = visible;
    if (visible || !focus_) {
        return;
    }
    const unsigned long previous = focusBeforeShow_;
    focusBeforeShow_ = 0;
    if (previous == 0) {
        return;
    }
    // Gone or off screen by now: the focus stays where the window manager puts it.
    focus_->giveTo(previous);
    // A window manager that sees its focused window go hands the focus to the window it had
    // focused before, on its own time: the console, when the operator clicked 网络设置 with
    // the mouse. Once it has done so, the focus is given back again.
    giveBackAgainTo_ = previous;
    giveBackAgain_.start();
}

} // namespace ride
