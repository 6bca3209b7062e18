// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/qt_event_yield.h"

#include <QCoreApplication>

namespace ride {

void QtEventYield::yieldToEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace ride
