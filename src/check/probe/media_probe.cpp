// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/probe/media_probe.h"

#include "base/qt/qt_text.h"
#include "media/media_location.h"
#include "media/mpv/mpv_library.h"
#include "player/request_ending.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ride {
namespace {

using namespace std::chrono_literals;

// Long enough for a file on a slow disk; a file that takes longer would also keep the
// exhibition screen waiting.
constexpr auto kProbeLimit = 5s;

// Why a local file cannot be handed to the player, or nothing when it can.
std::optional<std::string> unusableFile(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? std::string("not found (looked for " + path + ")")
                               : path + ": " + std::strerror(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return path + " is not a regular file";
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return path + " cannot be read: " + std::strerror(errno);
    }
    ::close(fd);
    return std::nullopt;
}

void probeAnimationProgram(const std::filesystem::path& programDirectory, const SiteSettings& site, bool needed,
                           CheckReport& report)
{
    if (site.animationCommand.empty()) {
        return; // the review has said what that means
    }
    const std::string head =
        settingName(u"视频文件", u"动画播放程序") + " = \"" + toUtf8(site.animationCommand) + "\": ";
    const FindingLevel failure = needed ? FindingLevel::Problem : FindingLevel::Warning;
    QStringList words = QProcess::splitCommand(toQString(site.animationCommand));
    if (words.isEmpty()) {
        report.add(failure, head + "names no program");
        return;
    }
    const std::string program = words.first().toStdString();
    // Started without a shell, from the program's directory: a name with a "/" is a path from
    // there, a bare name is looked for in $PATH.
    std::string path;
    if (program.find('/') != std::string::npos) {
        path = std::filesystem::path(program).is_relative() ? (programDirectory / program).string() : program;
    } else {
        path = QStandardPaths::findExecutable(words.first()).toStdString();
        if (path.empty()) {
            report.add(failure, head + program + " is not found in $PATH");
            return;
        }
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        report.add(failure, head + path + " does not exist");
    } else if (::faccessat(AT_FDCWD, path.c_str(), X_OK, AT_EACCESS) != 0) {
        report.add(failure, head + path + " cannot be run by this user: " + std::strerror(errno));
    } else {
        report.ok(head + "runs " + path);
    }
}

} // namespace

std::optional<std::string> mpvCannotOpen(const std::string& location, std::chrono::milliseconds limit)
{
    const MpvLibrary* lib = mpvLibrary();
    if (!lib) {
        return std::string("libmpv.so.2 cannot be loaded, so no video can be shown");
    }
    mpv_handle* mpv = lib->create();
    if (!mpv) {
        return std::string("libmpv cannot be started");
    }
    // Demuxer and decoders only: no window, no sound device, nothing from the user's mpv set-up.
    static constexpr std::pair<const char*, const char*> kOptions[] = {
        {"vo", "null"},         {"ao", "null"}, {"pause", "yes"}, {"terminal", "no"},
        {"load-scripts", "no"}, {"ytdl", "no"}, {"osc", "no"},    {"input-default-bindings", "no"},
        {"idle", "yes"},
    };
    for (const auto& [name, value] : kOptions) {
        lib->setOptionString(mpv, name, value);
    }
    for (const auto& [name, value] : kNamedFileOnly) {
        lib->setOptionString(mpv, name, value);
    }
    std::optional<std::string> failure;
    if (const int rc = lib->initialize(mpv); rc < 0) {
        failure = std::string("libmpv cannot start: ") + lib->errorString(rc);
    } else {
        const char* command[] = {"loadfile", location.c_str(), "replace", nullptr};
        if (const int loaded = lib->command(mpv, command); loaded < 0) {
            failure = std::string("libmpv refuses it: ") + lib->errorString(loaded);
        } else {
            const auto deadline = std::chrono::steady_clock::now() + limit;
            failure = "libmpv gave no answer within " + std::to_string(limit.count() / 1000) + " s";
            for (bool waiting = true; waiting;) {
                const auto left = std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
                if (left <= 0) {
                    break;
                }
                const mpv_event* event = lib->waitEvent(mpv, left);
                if (event->event_id == MPV_EVENT_FILE_LOADED) {
                    failure.reset();
                    waiting = false;
                } else if (event->event_id == MPV_EVENT_END_FILE) {
                    const auto* end = static_cast<const mpv_event_end_file*>(event->data);
                    failure = std::string("libmpv cannot play it: ") + (end->reason == MPV_END_FILE_REASON_ERROR
                                                                            ? lib->errorString(end->error)
                                                                            : "it ended before it was loaded");
                    waiting = false;
                }
            }
        }
    }
    lib->terminateDestroy(mpv);
    return failure;
}

void probeVideos(const std::filesystem::path& programDirectory, const SiteSettings& site, CheckReport& report)
{
    static const char16_t* const kKeys[2] = {u"视频0", u"视频1"};
    bool animation = false;
    for (int i = 0; i < 2; ++i) {
        const Text& name = site.videos[i];
        if (name.empty()) {
            continue; // the review has said that nothing is played
        }
        const std::string head = settingName(u"视频文件", kKeys[i]) + " = \"" + toUtf8(name) + "\": ";
        const std::string location = mediaLocation(programDirectory, name);
        if (!isUrl(name)) {
            if (const auto why = unusableFile(location)) {
                report.problem(head + *why);
                continue;
            }
        }
        if (isAnimationFile(name)) {
            animation = true;
            report.ok(head + location + " is there, for the animation program");
            continue;
        }
        if (const auto why = mpvCannotOpen(location, kProbeLimit)) {
            report.problem(head + location + ": " + *why);
        } else {
            report.ok(head + location + " opens in libmpv");
        }
    }
    probeAnimationProgram(programDirectory, site, animation, report);
}

} // namespace ride
