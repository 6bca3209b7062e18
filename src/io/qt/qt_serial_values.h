// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The line settings of the settings file in Qt SerialPort's terms: one translation, for the
// console's serial line and for the site check that tries the same settings on the device.
#include "io/serial_settings.h"

#include <QSerialPort>

namespace ride {

QSerialPort::Parity toQt(Parity parity);
QSerialPort::StopBits toQt(StopBits stopBits);

} // namespace ride
