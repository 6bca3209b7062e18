#include "ui/qt/qt_yes_no_question.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace ride {

bool QtYesNoQuestion::ask(TextView question)
{
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), QString::fromStdU16String(Text(question)),
                    QMessageBox::Yes | QMessageBox::No);
    box.setObjectName(QStringLiteral("SendFailureQuestion"));
    return box.exec() == QMessageBox::Yes;
}

} // namespace ride
