// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_window_views.h"

#include "console/view/form1_view.h"
#include "network/view/frmsock_view.h"
#include "player/view/form4_view.h"

#include <QApplication>

namespace ride {
namespace {

struct ConsoleWidget : WindowView {
    explicit ConsoleWidget(Form1& model) : widget(model) {}
    Form1View widget;
};

struct PlayerWidget : PlayerView {
    explicit PlayerWidget(Form4& model) : widget(model) {}
    VideoSurface& videoSurface() override { return widget; }
    Form4View widget;
};

struct NetworkWidget : NetworkView {
    explicit NetworkWidget(Frmsock& model) : widget(model) {}
    void bringToFront() override
    {
        widget.raise();
        widget.activateWindow();
    }
    FrmsockView widget;
};

} // namespace

std::unique_ptr<WindowView> QtWindowViews::consoleView(Form1& model)
{
    return std::make_unique<ConsoleWidget>(model);
}

std::unique_ptr<PlayerView> QtWindowViews::playerView(Form4& model)
{
    return std::make_unique<PlayerWidget>(model);
}

std::unique_ptr<NetworkView> QtWindowViews::networkView(Frmsock& model)
{
    return std::make_unique<NetworkWidget>(model);
}

bool QtWindowViews::isOwnWindow(unsigned long window) const
{
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->testAttribute(Qt::WA_WState_Created) && static_cast<unsigned long>(widget->winId()) == window) {
            return true;
        }
    }
    return false;
}

} // namespace ride
