// SPDX-License-Identifier: GPL-3.0-or-later
#include "network/view/frmsock_view.h"

#include "network/frmsock.h"
#include "ui/qt/qt_binding.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

namespace ride {
namespace {

// Columns of a channel row, in pixels inside the "TCP client" frame.
struct Column {
    int x;
    int width;
};
constexpr Column kName{8, 52};
constexpr Column kNameBox{62, 80};
constexpr Column kSendBox{146, 170};
constexpr Column kReceiveBox{320, 170};
constexpr Column kIp{494, 120};
constexpr Column kPort{618, 60};
constexpr Column kPolicy{682, 140};
constexpr Column kState{826, 30};
constexpr Column kSync{858, 110};
constexpr int kRowHeight = 24;

QLabel* staticLabel(const QString& text, QWidget* parent, QRect where)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(where);
    return label;
}

} // namespace

FrmsockView::FrmsockView(Frmsock& model) : QWidget(nullptr), model_(model)
{
    // Room for a block of eight channel rows and the buttons below them (14850 x 6150 twips); the
    // load step widens the window to 14925.
    setMinimumSize(990, 410);

    auto* frame = new QGroupBox(QStringLiteral("TCP client"), this);
    frame->setGeometry(8, 4, 980, 270);
    staticLabel(QStringLiteral("IP"), frame, {kIp.x, 18, kIp.width, 18});
    staticLabel(QStringLiteral("端口"), frame, {kPort.x, 18, kPort.width, 18});

    for (std::size_t i = 0; i < model_.channelCount(); ++i) {
        Channel& ch = model_.channel(i);
        const int y = static_cast<int>(std::lround(ch.top / kTwipsPerPixel));
        auto at = [&](auto* widget, Column c) {
            widget->setGeometry(c.x, y, c.width, kRowHeight - 2);
            return widget;
        };
        bindLabel(ch.LblTcpNam, at(new QLabel(frame), kName));
        bindTextBox(ch.TxtTcpNam, at(new QLineEdit(frame), kNameBox));
        bindComboBox(ch.TxtTcpTx, at(new QComboBox(frame), kSendBox));
        bindTextBox(ch.TxtTcpRx, at(new QLineEdit(frame), kReceiveBox));
        bindTextBox(ch.TxtTcpIp, at(new QLineEdit(frame), kIp));
        bindTextBox(ch.TxtTcpPost, at(new QLineEdit(frame), kPort));
        bindComboBox(ch.CMB发送失败处理方法, at(new QComboBox(frame), kPolicy));
        bindLabel(ch.LBLTcpState, at(new QLabel(frame), kState));
        bindComboBox(ch.CMDTCP同步到其它端口, at(new QComboBox(frame), kSync));
    }

    staticLabel(QStringLiteral("本机IP："), this, {16, 290, 64, 22});
    auto* localIp = new QLineEdit(this);
    localIp->setGeometry(80, 288, 140, 24);
    bindTextBox(model_.Text5, localIp);
    staticLabel(QStringLiteral("连接超时（秒）："), this, {240, 290, 120, 22});
    auto* timeout = new QLineEdit(this);
    timeout->setGeometry(360, 288, 50, 24);
    bindTextBox(model_.TXTTCP连接超时, timeout);
    staticLabel(QStringLiteral("注意防火墙是否打开."), this, {430, 290, 200, 22});

    auto button = [this](const Button& b, QRect where) {
        auto* w = new QPushButton(this);
        w->setGeometry(where);
        bindButton(b, w);
    };
    button(model_.Command1, {560, 360, 150, 32});
    button(model_.Command2, {718, 360, 120, 32});
    button(model_.Command3, {846, 360, 120, 32});

    bindTimer(model_.TMRTCPC连接状态判断, this);
    bindTimer(model_.TmrTcp发送, this);
    bindTimer(model_.Timer3, this);
    bindWindow(model_.window, this);
}

void FrmsockView::closeEvent(QCloseEvent* event)
{
    event->ignore();
    model_.requestClose();
}

} // namespace ride
