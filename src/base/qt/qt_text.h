// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console's Text to and from Qt's strings. Both hold UTF-16, so the code units are copied as
// they are: lengths and positions stay what the console counted, and nothing is lost on the way.
// Plain UTF-8 strings (paths, log texts) are not Text and go through QString::fromStdString.
#include "base/text.h"

#include <QString>

namespace ride {

QString toQString(TextView text);
Text fromQString(const QString& text);

} // namespace ride
