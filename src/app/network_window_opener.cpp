// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/network_window_opener.h"

#include "input/input_focus.h"

namespace ride {

NetworkWindowOpener::NetworkWindowOpener(NetworkServices services, std::size_t channels, InputFocus* focus,
                                         WindowViews* views, TimerDriver* timers)
    : services_(std::move(services)), channels_(channels), focus_(focus), views_(views), timers_(timers)
{
    focusWatch.onTick([this] { noteFocusElsewhere(); });
    giveBackAgain.onTick([this] {
        giveBackAgain.setEnabled(false);
        if (model_ && !model_->window.visible() && isOwnWindow(focus_->current())) {
            focus_->giveTo(giveBackAgainTo_);
        }
    });
    if (timers_) {
        timers_->drive(focusWatch);
        timers_->drive(giveBackAgain);
    }
}

NetworkWindowOpener::~NetworkWindowOpener() = default;

void NetworkWindowOpener::show()
{
    if (!model_) {
        model_ = std::make_unique<Frmsock>(services_, channels_);
        if (views_) {
            view_ = views_->networkView(*model_);
        } else if (timers_) {
            timers_->drive(model_->TMRTCPC连接状态判断);
            timers_->drive(model_->TmrTcp发送);
            timers_->drive(model_->Timer3);
        }
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
    if (view_) {
        view_->bringToFront();
    }
}

bool NetworkWindowOpener::isOwnWindow(unsigned long window) const
{
    if (window == 0) {
        return false;
    }
    if (isOwnWindow_) {
        return isOwnWindow_(window);
    }
    return views_ && views_->isOwnWindow(window);
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
    giveBackAgain.setEnabled(true);
}

} // namespace ride
