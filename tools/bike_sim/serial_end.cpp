// SPDX-License-Identifier: GPL-3.0-or-later
#include "bike_sim/serial_end.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace ride::sim {
namespace {

std::string systemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

speed_t baudConstant(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
    }
}

bool makeRaw(int fd, speed_t speed)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

} // namespace

std::unique_ptr<SerialEnd> SerialEnd::openPseudoTerminal(const std::string& link, std::string& error)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) {
        error = systemError("cannot open a pseudo-terminal");
        return nullptr;
    }
    char name[128];
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        error = systemError("cannot prepare the pseudo-terminal");
        close(master);
        return nullptr;
    }
    std::unique_ptr<SerialEnd> end(new SerialEnd(master, name, true));

    // Raw and without echo before the console opens it, so that its first read already sees
    // the records byte for byte. Opening and closing our side of it also puts the pair into
    // the hung-up state that tells us, later, whether the console holds it open.
    const int slave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0) {
        error = systemError(std::string("cannot open ") + name);
        return nullptr;
    }
    const bool raw = makeRaw(slave, B9600);
    close(slave);
    if (!raw) {
        error = systemError(std::string("cannot set raw mode on ") + name);
        return nullptr;
    }

    if (!link.empty()) {
        struct stat st {};
        if (lstat(link.c_str(), &st) == 0) {
            // A link left by an earlier run that did not end cleanly is ours to replace; any
            // other file is not.
            if (!S_ISLNK(st.st_mode)) {
                error = link + " exists and is not a symbolic link; not replacing it";
                return nullptr;
            }
            unlink(link.c_str());
        }
        if (symlink(name, link.c_str()) != 0) {
            error = systemError("cannot make the link " + link);
            return nullptr;
        }
        end->link_ = link;
    }
    return end;
}

std::unique_ptr<SerialEnd> SerialEnd::openDevice(const std::string& path, int baud, std::string& error)
{
    const speed_t speed = baudConstant(baud);
    if (speed == B0) {
        error = std::to_string(baud) + " is not a baud rate the serial line supports "
                                       "(1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400)";
        return nullptr;
    }
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = systemError("cannot open " + path) + (errno == EACCES ? " (is this user in the dialout group?)" : "");
        return nullptr;
    }
    std::unique_ptr<SerialEnd> end(new SerialEnd(fd, path, false));
    if (!makeRaw(fd, speed)) {
        error = systemError("cannot set up " + path + " as a serial line");
        return nullptr;
    }
    return end;
}

SerialEnd::~SerialEnd()
{
    if (!link_.empty()) {
        // Only the link we made: someone may have put something else there meanwhile.
        std::error_code ec;
        if (std::filesystem::is_symlink(link_, ec) && std::filesystem::read_symlink(link_, ec) == path_) {
            std::filesystem::remove(link_, ec);
        }
    }
    close(fd_);
}

bool SerialEnd::consoleThere() const
{
    if (!pseudoTerminal_) {
        return true;
    }
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 0) < 0) {
        return false;
    }
    return (p.revents & POLLHUP) == 0;
}

} // namespace ride::sim
