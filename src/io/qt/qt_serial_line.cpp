// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/qt/qt_serial_line.h"

#include "base/log.h"
#include "io/qt/qt_serial_values.h"
#include "io/serial_device.h"

namespace ride {
namespace {

// The most one poll takes. Qt's own buffer is unlimited by default, so a line faster than the
// console would make every poll longer; bounded, the rest waits in the device until the next poll.
constexpr qint64 kReadChunk = 64 * 1024;

} // namespace

QtSerialLine::QtSerialLine(QObject* parent) : QObject(parent)
{
    port_.setReadBufferSize(kReadChunk);
    reopenTimer_.setInterval(1000);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialLine::onError);
    connect(&reopenTimer_, &QTimer::timeout, this, &QtSerialLine::tryReopen);
}

bool QtSerialLine::setSettings(TextView text)
{
    const auto parsed = parseSerialSettings(text);
    if (!parsed) {
        rejectedSettings_ = toUtf8(text);
        if (!deviceName_.empty()) {
            reportRejectedSettings();
        }
        return false;
    }
    rejectedSettings_.reset();
    settings_ = *parsed;
    if (port_.isOpen()) {
        applySettings();
    }
    return true;
}

void QtSerialLine::setPortNumber(int number)
{
    deviceName_ = serialDeviceForPort(number).value_or(std::string());
}

void QtSerialLine::setDevicePath(std::string path)
{
    deviceName_ = std::move(path);
}

void QtSerialLine::applySettings()
{
    // Some of these fail on a pseudo-terminal; the line works all the same.
    port_.setBaudRate(settings_.baudRate);
    port_.setParity(toQt(settings_.parity));
    port_.setDataBits(static_cast<QSerialPort::DataBits>(settings_.dataBits));
    port_.setStopBits(toQt(settings_.stopBits));
    port_.setFlowControl(QSerialPort::NoFlowControl);
}

void QtSerialLine::reportRejectedSettings()
{
    const std::string device = deviceName_.empty() ? std::string("serial line") : deviceName_;
    logWarning("serial", device + ": settings text \"" + *rejectedSettings_ +
                             "\" rejected (not baud rate, parity letter, data bits, stop bits as in 9600,N,8,1); "
                             "keeping " +
                             serialSettingsText(settings_));
    rejectedSettings_.reset();
}

bool QtSerialLine::open()
{
    if (rejectedSettings_) {
        reportRejectedSettings();
    }
    if (port_.isOpen()) {
        return true;
    }
    if (deviceName_.empty()) {
        logInfo("serial",
                "no device chosen (neither a port number from 1 up nor a path): the serial line stays closed");
        return false;
    }
    if (!openPort()) {
        logError("serial", deviceName_ + " cannot be opened: " + port_.errorString().toStdString() +
                               "; the console runs without its serial line");
        port_.clearError();
        return false;
    }
    return true;
}

// Opens the chosen device without a word: the first attempt is logged by open(), and the
// attempts while a lost device is away fail every second.
bool QtSerialLine::openPort()
{
    if (deviceName_.empty()) {
        return false;
    }
    port_.setPortName(QString::fromStdString(deviceName_));
    if (!port_.open(QIODevice::ReadWrite)) {
        return false;
    }
    applySettings();
    decoder_.reset();
    return true;
}

bool QtSerialLine::isOpen() const
{
    return port_.isOpen();
}

Received QtSerialLine::readAll()
{
    if (!port_.isOpen()) {
        return {};
    }
    const QByteArray bytes = port_.readAll();
    if (bytes.isEmpty()) {
        return {};
    }
    Received got;
    got.bytes.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    got.text = decoder_.feed(got.bytes);
    return got;
}

void QtSerialLine::onError(QSerialPort::SerialPortError error)
{
    // Only a read or resource error means the device is gone; the rest (ioctls a
    // pseudo-terminal does not support, "no error" on open) leave the line working.
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) {
        return;
    }
    if (!port_.isOpen() || lost_) {
        return;
    }
    const QString reason = port_.errorString();
    port_.close();
    port_.clearError();
    lost_ = true;
    logWarning("serial", deviceName_ + " lost (" + reason.toStdString() + "); reopening it when it is back");
    reopenTimer_.start();
}

void QtSerialLine::tryReopen()
{
    if (!lost_) {
        reopenTimer_.stop();
        return;
    }
    if (openPort()) {
        lost_ = false;
        reopenTimer_.stop();
        logInfo("serial", deviceName_ + " is back");
    } else {
        port_.clearError();
    }
}

} // namespace ride
