#pragma once
// The serial line on Qt SerialPort. A device that goes away (an unplugged USB adapter, a
// pseudo-terminal whose other end closed) is closed at once, so nothing spins on its errors,
// and is reopened silently when it is back, checked once a second.
#include "io/serial_line.h"
#include "io/serial_settings.h"

#include <QObject>
#include <QSerialPort>
#include <QTimer>

namespace ride {

class QtSerialLine : public QObject, public SerialLine {
public:
    explicit QtSerialLine(QObject* parent = nullptr);

    bool setSettings(TextView settings) override;
    void setPortNumber(int number) override;
    void setDevicePath(std::string path) override;
    bool open() override;
    bool isOpen() const override;
    Text readAll() override;

    const QString& deviceName() const { return deviceName_; }
    bool waitingForDevice() const { return lost_; }

private:
    void applySettings();
    void onError(QSerialPort::SerialPortError error);
    void tryReopen();

    QSerialPort port_;
    QTimer reopenTimer_;
    SerialSettings settings_;
    QString deviceName_;
    GbkStreamDecoder decoder_;
    bool lost_ = false;
};

} // namespace ride
