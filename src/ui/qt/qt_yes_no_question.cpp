// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/qt_yes_no_question.h"

#include "base/qt/qt_text.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace ride {

bool QtYesNoQuestion::ask(TextView question)
{
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), toQString(question),
                    QMessageBox::Yes | QMessageBox::No);
    box.setObjectName(QStringLiteral("SendFailureQuestion"));
    return box.exec() == QMessageBox::Yes;
}

} // namespace ride
