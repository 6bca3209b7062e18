// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/qt/qt_text.h"

namespace ride {

QString toQString(TextView text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

Text fromQString(const QString& text)
{
    return text.toStdU16String();
}

} // namespace ride
