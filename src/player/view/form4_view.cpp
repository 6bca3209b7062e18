// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/view/form4_view.h"

#include "player/form4.h"
#include "ui/qt/qt_binding.h"

#include <QLabel>
#include <QLineEdit>

#include <cmath>

namespace ride {
namespace {

QRect toPixels(const TwipsRect& r)
{
    auto px = [](double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); };
    return {px(r.left), px(r.top), px(r.width), px(r.height)};
}

} // namespace

Form4View::Form4View(Form4& model)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus), model_(model)
{
    // The exhibition screen has nothing to type into, and the keyboard focus belongs to the
    // roaming program the bike keys are typed into: the window is shown without activation and
    // refuses the focus, also when the video is clicked.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);

    // The player's relay boxes are widgets like the other windows' text boxes, each named for
    // assistive tools; the video surface covers them, since the exhibition screen shows the
    // picture alone.
    auto* text1 = new QLineEdit(this);
    text1->setGeometry(toPixels({360, 0, 5535, 375}));
    bindTextBox(model_.Text1, text1);
    auto* text2 = new QLineEdit(this);
    text2->setGeometry(toPixels({360, 360, 5535, 375}));
    bindTextBox(model_.Text2, text2);
    auto* text3 = new QLineEdit(this);
    text3->setGeometry(toPixels({5880, 240, 1815, 495}));
    bindTextBox(model_.Text3, text3);

    title_ = new QLabel(this);
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setPointSizeF(21.75);
    title_->setFont(font);
    title_->setAlignment(Qt::AlignCenter);
    bindLabel(model_.Label1, title_);

    surface_ = new QWidget(this);
    surface_->setObjectName(QStringLiteral("WindowsMediaPlayer1"));
    surface_->setAccessibleDescription(QStringLiteral("WindowsMediaPlayer1"));
    surface_->setAttribute(Qt::WA_NativeWindow);
    surface_->setAttribute(Qt::WA_DontCreateNativeAncestors);
    surface_->setAutoFillBackground(true);
    QPalette black = surface_->palette();
    black.setColor(QPalette::Window, Qt::black);
    surface_->setPalette(black);
    surface_->raise();
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setFocusPolicy(Qt::NoFocus);
    }

    // The pointer over the exhibition screen would only distract: the custom pointer the
    // console asks for is an empty one.
    setCursor(Qt::BlankCursor);

    model_.layoutChanged.add([this] { applyLayout(); });
    bindTimer(model_.Timer1, this);
    bindWindow(model_.window, this);
    applyLayout();
}

void Form4View::applyLayout()
{
    surface_->setGeometry(toPixels(model_.playerRect));
    surface_->setVisible(model_.playerVisible);
    title_->setGeometry(toPixels(model_.labelRect));
}

} // namespace ride
