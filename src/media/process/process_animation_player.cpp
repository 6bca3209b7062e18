// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/process/process_animation_player.h"

#include "base/log.h"
#include "base/qt/qt_text.h"

#include <QProcess>

#include <unistd.h>

namespace ride {
namespace {

std::string describe(const QString& program, const QStringList& arguments)
{
    return (QStringList{program} + arguments).join(QLatin1Char(' ')).toStdString();
}

} // namespace

ProcessAnimationPlayer::ProcessAnimationPlayer(std::filesystem::path workingDirectory)
    : workingDirectory_(std::move(workingDirectory))
{
}

ProcessAnimationPlayer::~ProcessAnimationPlayer()
{
    stop();
}

void ProcessAnimationPlayer::start(const Text& command, const Text& file)
{
    stop();
    QStringList arguments = QProcess::splitCommand(toQString(command));
    if (arguments.isEmpty()) {
        return;
    }
    const QString program = arguments.takeFirst();
    arguments.append(toQString(file));

    process_ = std::make_unique<QProcess>();
    QProcess* process = process_.get();
    process->setWorkingDirectory(QString::fromStdString(workingDirectory_.string()));
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    // A group of its own, so that stopping it also ends what a wrapper script started.
    process->setChildProcessModifier([] { setpgid(0, 0); });
    description_ = describe(program, arguments);
    QObject::connect(
        process, &QProcess::errorOccurred, process, [process, what = description_](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                logError("animation", "cannot start " + what + ": " + process->errorString().toStdString());
            }
        });
    QObject::connect(process, &QProcess::finished, process,
                     [what = description_](int exitCode, QProcess::ExitStatus status) {
                         if (status == QProcess::CrashExit) {
                             logWarning("animation", what + " ended abnormally");
                         } else if (exitCode != 0) {
                             logWarning("animation", what + " ended with exit code " + std::to_string(exitCode));
                         }
                     });
    process->start(program, arguments);
}

void ProcessAnimationPlayer::stop()
{
    if (process_) {
        stopping_.end(std::move(process_), std::move(description_));
        description_.clear();
    }
}

bool ProcessAnimationPlayer::playing() const
{
    return process_ && process_->state() != QProcess::NotRunning;
}

} // namespace ride
