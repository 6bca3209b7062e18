// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ride::testing {
namespace {

[[noreturn]] void execChild(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extraEnv)
{
    for (const auto& [name, value] : extraEnv) {
        setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

} // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, std::map<std::string, std::string> extraEnv,
                           std::string logFile)
{
    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        // Its own process group, so that stopping it also stops what it starts; and it dies with
        // the test, so that a test killed by a timeout leaves no Xvfb or socat behind.
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (!logFile.empty()) {
            const int fd = open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (fd >= 0) {
                dup2(fd, 1);
                dup2(fd, 2);
                close(fd);
            }
        }
        execChild(argv, extraEnv);
    }
}

ChildProcess::~ChildProcess()
{
    if (!reaped_) {
        stop();
    }
}

bool ChildProcess::running()
{
    if (reaped_) {
        return false;
    }
    const pid_t r = waitpid(pid_, &status_, WNOHANG);
    if (r == pid_) {
        reaped_ = true;
        return false;
    }
    return true;
}

int ChildProcess::stop(std::chrono::milliseconds grace)
{
    if (!running()) {
        return status_;
    }
    ::kill(-pid_, SIGTERM);
    ::kill(pid_, SIGTERM);
    if (!waitUntil([this] { return !running(); }, grace)) {
        kill9();
    }
    return status_;
}

int ChildProcess::exitCodeWithin(std::chrono::milliseconds timeout)
{
    if (!waitUntil([this] { return !running(); }, timeout)) {
        return -1;
    }
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
}

void ChildProcess::kill9()
{
    if (reaped_) {
        return;
    }
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
    reaped_ = true;
}

std::string runAndCapture(const std::vector<std::string>& argv, int* exitStatus,
                          const std::map<std::string, std::string>& extraEnv)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        close(pipeFds[1]);
        execChild(argv, extraEnv);
    }
    close(pipeFds[1]);
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) {
            out.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (exitStatus) {
        *exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return out;
}

} // namespace ride::testing
