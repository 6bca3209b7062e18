#pragma once
// Starts a private Xvfb for a test process and stops it again, so that tests never touch the
// user's display. The server picks a free display number and reports it through a pipe.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ride::test {

class XvfbServer {
public:
    // `withoutExtension` names an extension the server leaves out, as a bare X server may.
    explicit XvfbServer(const char* screen = "1280x1024x24", const char* withoutExtension = nullptr)
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            error_ = "pipe failed";
            return;
        }
        const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
        const std::string fdText = std::to_string(fds[1]);
        const char* argv[] = {"Xvfb",           "-displayfd", fdText.c_str(),
                              "-screen",        "0",          screen,
                              "-nolisten",      "tcp",        withoutExtension ? "-extension" : nullptr,
                              withoutExtension, nullptr};
        pid_ = fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls between fork and exec.
            fcntl(fds[1], F_SETFD, 0);
            if (devNull >= 0) {
                dup2(devNull, STDOUT_FILENO);
                dup2(devNull, STDERR_FILENO);
            }
            execvp("Xvfb", const_cast<char* const*>(argv));
            _exit(127);
        }
        close(fds[1]);
        if (devNull >= 0) {
            close(devNull);
        }
        if (pid_ < 0) {
            close(fds[0]);
            error_ = "fork failed";
            return;
        }
        readDisplayNumber(fds[0]);
        close(fds[0]);
        if (display_.empty()) {
            stop();
        }
    }

    ~XvfbServer() { stop(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return !display_.empty(); }
    const std::string& display() const { return display_; }
    const std::string& error() const { return error_; }

private:
    void readDisplayNumber(int fd)
    {
        std::string number;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 100) < 0 && errno != EINTR) {
                break;
            }
            if (!(p.revents & (POLLIN | POLLHUP))) {
                continue;
            }
            char c = 0;
            const ssize_t n = read(fd, &c, 1);
            if (n <= 0) {
                break;
            }
            if (c == '\n') {
                display_ = ":" + number;
                return;
            }
            number += c;
        }
        error_ = "Xvfb did not report a display number (is it installed?)";
    }

    void stop()
    {
        if (pid_ <= 0) {
            return;
        }
        kill(pid_, SIGTERM);
        for (int i = 0; i < 300; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    pid_t pid_ = -1;
    std::string display_;
    std::string error_;
};

} // namespace ride::test
