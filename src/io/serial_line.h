// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial line to the bike controller, as the console uses it.
// Failures come back as values (false, or nothing read), never as exceptions. The console skips
// them as its start-up does and shows nothing; the backend logs them, since only it knows the
// device and the reason: a device that cannot be opened, a settings text it rejects, a line
// that goes away and comes back.
#include "base/text.h"
#include "io/arrival.h"

#include <string>

namespace ride {

class SerialLine {
public:
    virtual ~SerialLine() = default;
    // "baud,parity,data bits,stop bits", e.g. "9600,N,8,1". A text the line rejects leaves the
    // previous settings in place and returns false.
    [[nodiscard]] virtual bool setSettings(TextView settings) = 0;
    // Port n (1 or more) is the n-th serial port, /dev/ttyS{n-1} (serialDeviceForPort); 0 or
    // less names no port.
    virtual void setPortNumber(int number) = 0;
    // A device path instead of a number (/dev/ttyUSB0, a udev link, a pseudo-terminal).
    virtual void setDevicePath(std::string path) = 0;
    // The device the last of those two chose; empty when none.
    virtual std::string deviceName() const = 0;
    [[nodiscard]] virtual bool open() = 0;
    virtual bool isOpen() const = 0;
    // Everything that arrived since the last call, as bytes and decoded from GBK; empty when the
    // port is closed or nothing waits.
    virtual Received readAll() = 0;
};

} // namespace ride
