// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/view/form1_view.h"

#include "console/form1.h"
#include "ui/qt/qt_binding.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace ride {
namespace {

QLabel* label(Label& model, QWidget* parent, QRect where)
{
    auto* widget = new QLabel(parent);
    widget->setGeometry(where);
    bindLabel(model, widget);
    return widget;
}

QLineEdit* lineEdit(TextBox& model, QWidget* parent, QRect where)
{
    auto* widget = new QLineEdit(parent);
    widget->setGeometry(where);
    bindTextBox(model, widget);
    return widget;
}

QPushButton* button(const Button& model, QWidget* parent, QRect where)
{
    auto* widget = new QPushButton(parent);
    widget->setGeometry(where);
    bindButton(model, widget);
    return widget;
}

} // namespace

Form1View::Form1View(Form1& model) : QWidget(nullptr), model_(model)
{
    // 12330 x 5370 twips at 15 twips a pixel.
    setFixedSize(822, 358);
    // Shown at start, the console leaves the keyboard focus where it was: with the roaming
    // program, which the bike keys are typed into. A click into the console still takes it.
    setAttribute(Qt::WA_ShowWithoutActivating);

    auto* receiveFrame = new QGroupBox(QStringLiteral("接收数据"), this);
    receiveFrame->setGeometry(8, 4, 330, 170);
    auto* text1 = new QPlainTextEdit(receiveFrame);
    text1->setGeometry(8, 22, 314, 140);
    text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    bindTextBox(model_.Text1, text1);

    label(model_.Label2, this, {8, 180, 330, 20});
    label(model_.Label3, this, {8, 202, 160, 20});
    label(model_.Label6, this, {176, 202, 160, 20});
    label(model_.Label4, this, {8, 224, 160, 20});
    label(model_.Label5, this, {176, 224, 160, 20});
    label(model_.Label7, this, {8, 246, 330, 20});
    label(model_.Label8, this, {8, 268, 330, 20});

    label(model_.Label9, this, {350, 8, 88, 22});
    label(model_.Label10, this, {350, 36, 88, 22});
    for (int i = 0; i < 6; ++i) {
        lineEdit(model_.txtKey(static_cast<std::size_t>(i)), this, {440 + i * 63, 6, 57, 24});
        lineEdit(model_.txtKey(static_cast<std::size_t>(i + 6)), this, {440 + i * 63, 34, 57, 24});
    }

    auto* videoFrame = new QGroupBox(QStringLiteral("视频1"), this);
    videoFrame->setGeometry(350, 66, 300, 120);
    label(model_.label1(0), videoFrame, {10, 22, 70, 20});
    label(model_.label1(2), videoFrame, {82, 22, 50, 20});
    label(model_.label1(1), videoFrame, {10, 46, 70, 20});
    label(model_.label1(3), videoFrame, {82, 46, 50, 20});
    button(model_.Command2_0, videoFrame, {140, 18, 150, 28});
    button(model_.Command2_1, videoFrame, {140, 50, 150, 28});
    lineEdit(model_.Text3, videoFrame, {10, 86, 56, 24});
    lineEdit(model_.Text7, videoFrame, {72, 86, 40, 24});
    lineEdit(model_.Text4, videoFrame, {118, 86, 172, 24});

    label(model_.lbl联动计时, this, {662, 74, 150, 20});
    label(model_.lbl联动状态手动状态, this, {662, 98, 150, 20});

    auto* list1 = new QListWidget(this);
    list1->setGeometry(350, 192, 464, 122);
    bindListBox(model_.List1, list1);

    button(model_.Command3, this, {556, 322, 124, 30});
    button(model_.Command1, this, {690, 322, 124, 30});

    bindTimer(model_.Timer1, this);
    bindTimer(model_.Timer2, this);
    bindTimer(model_.TMR判断是否是人操作的, this);
    bindWindow(model_.window, this);
}

void Form1View::closeEvent(QCloseEvent* event)
{
    // Closing the console ends the whole program, not just this window.
    event->ignore();
    model_.Command1.click();
}

} // namespace ride
