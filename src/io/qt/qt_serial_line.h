// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial line on Qt SerialPort. A device that goes away (an unplugged USB adapter, a
// pseudo-terminal whose other end closed) is closed at once, so nothing spins on its errors,
// and is reopened silently when it is back, checked once a second.
// The line logs its own setup problems, one line each, naming the device: a device that cannot
// be opened (with the system's reason), no device chosen, and a rejected settings text. The
// console sets the text before it names the port, so a rejection is logged when the line is
// opened unless a device is already chosen.
#include "io/serial_line.h"
#include "io/serial_settings.h"

#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <optional>
#include <string>

namespace ride {

class QtSerialLine : public QObject, public SerialLine {
public:
    explicit QtSerialLine(QObject* parent = nullptr);

    bool setSettings(TextView settings) override;
    void setPortNumber(int number) override;
    void setDevicePath(std::string path) override;
    bool open() override;
    std::string deviceName() const override { return deviceName_; }
    bool isOpen() const override;
    Received readAll() override;

    bool waitingForDevice() const { return lost_; }

private:
    bool openPort();
    void reportRejectedSettings();
    void applySettings();
    void onError(QSerialPort::SerialPortError error);
    void tryReopen();

    QSerialPort port_;
    QTimer reopenTimer_;
    SerialSettings settings_;
    std::string deviceName_;
    GbkStreamDecoder decoder_;
    std::optional<std::string> rejectedSettings_;
    bool lost_ = false;
};

} // namespace ride
