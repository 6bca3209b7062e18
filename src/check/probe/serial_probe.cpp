// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/probe/serial_probe.h"

#include "check/probe/user_groups.h"
#include "io/qt/qt_serial_values.h"

#include <QSerialPort>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ride {
namespace {

// Why this user may not open a device, in the words an installer acts on.
std::string permissionAdvice(const std::string& device, const struct stat& info)
{
    const std::string user = currentUserName();
    const std::string group = groupName(info.st_gid);
    std::string advice = "permission denied for user " + user + " (" + device + " is mode " + octalMode(info.st_mode) +
                         ", group " + group + ")";
    if (!isMemberOfGroup(info.st_gid)) {
        advice += "; add the user to the group: usermod -aG " + group + " " + user + ", then log in again";
    }
    return advice;
}

} // namespace

void probeSerialLine(const SiteSettings& site, CheckReport& report)
{
    if (!site.serialDevice) {
        return; // the review has said that no line is opened
    }
    const std::string& device = *site.serialDevice;
    const std::string head = settingName(u"串口设置", u"端口") + " = \"" + toUtf8(site.port) + "\": ";

    struct stat info {};
    if (::stat(device.c_str(), &info) != 0) {
        std::string line =
            head + device + (errno == ENOENT ? " does not exist" : std::string(": ") + std::strerror(errno));
        if (device.rfind("/dev/ttyS", 0) == 0) {
            line += " (port n means /dev/ttyS{n-1}; a USB adapter is a path such as /dev/ttyUSB0)";
        }
        report.problem(line);
        return;
    }
    if (!S_ISCHR(info.st_mode)) {
        report.problem(head + device + " is not a serial device (not a character device)");
        return;
    }

    QSerialPort port;
    port.setPortName(QString::fromStdString(device));
    if (!port.open(QIODevice::ReadWrite)) {
        // Qt says "permission error" for a device locked by another program too.
        if (::faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) != 0 && errno == EACCES) {
            report.problem(head + device + " cannot be opened: " + permissionAdvice(device, info));
        } else if (port.error() == QSerialPort::PermissionError) {
            report.problem(head + device + " cannot be opened: " + port.errorString().toStdString() +
                           " (is the console, or another program, using it?)");
        } else {
            report.problem(head + device + " cannot be opened: " + port.errorString().toStdString());
        }
        return;
    }
    const SerialSettings settings = site.serialSettings.value_or(SerialSettings{});
    std::string refused;
    auto refuses = [&refused](bool accepted, const std::string& what) {
        if (!accepted) {
            refused += (refused.empty() ? "" : ", ") + what;
        }
    };
    refuses(port.setBaudRate(settings.baudRate), "baud rate " + std::to_string(settings.baudRate));
    refuses(port.setParity(toQt(settings.parity)), "the parity");
    refuses(port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)),
            std::to_string(settings.dataBits) + " data bits");
    refuses(port.setStopBits(toQt(settings.stopBits)), "the stop bits");
    port.close();

    const std::string opened = head + device + " opens for user " + currentUserName();
    if (!refused.empty()) {
        report.warning(opened + ", but it refuses " + refused + " of " + serialSettingsText(settings));
    } else {
        report.ok(opened + " and takes " + serialSettingsText(settings));
    }
}

} // namespace ride
