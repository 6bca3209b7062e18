// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/qt/system_qt_paths.h"

#include "base/scoped_environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>

namespace ride {
namespace {

constexpr const char* kPluginPathVariable = "QT_PLUGIN_PATH";

// The executable's directory as Qt names it when it adds it to the plugin paths.
QString ownDirectory()
{
    return QDir(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath()).canonicalPath();
}

} // namespace

void keepQtToSystemPaths()
{
    const QString own = ownDirectory();
    QStringList wanted;
    // A relative entry would name the working directory, which is no safer than our own.
    const QString fromEnvironment = qEnvironmentVariable(kPluginPathVariable);
    for (const QString& entry : fromEnvironment.split(QDir::listSeparator(), Qt::SkipEmptyParts)) {
        const QString directory = QDir(entry).canonicalPath();
        if (QDir::isAbsolutePath(entry) && !directory.isEmpty() && directory != own && !wanted.contains(directory)) {
            wanted << directory;
        }
    }
    const QString system = QDir(QLibraryInfo::path(QLibraryInfo::PluginsPath)).canonicalPath();
    if (!system.isEmpty() && system != own && !wanted.contains(system)) {
        wanted << system;
    }

    // Making the application object adds the executable's directory to the plugin paths and then
    // replays a list set earlier as a change against the first paths Qt saw: each of those left
    // out of the list is removed again. So the first paths are made to include our directory
    // (through the variable, for this one look only), and the list leaves it out.
    ScopedEnvironment first;
    first.set(kPluginPathVariable,
              QFile::encodeName(fromEnvironment.isEmpty() ? own : own + QDir::listSeparator() + fromEnvironment)
                  .toStdString());
    static_cast<void>(QCoreApplication::libraryPaths());
    first.restore();
    QCoreApplication::setLibraryPaths(wanted);
}

void keepLaterQtPluginsToSystemPaths()
{
    QCoreApplication::removeLibraryPath(ownDirectory());
}

} // namespace ride
