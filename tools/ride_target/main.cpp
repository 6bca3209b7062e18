// SPDX-License-Identifier: GPL-3.0-or-later
// ride-target: a window that stands in for the roaming program while a ride installation is
// set up or shown: it takes the keyboard focus, follows the pointer and lists the keys it gets.
#include "base/qt/system_qt_paths.h"
#include "ride_target/target_window.h"

#include <QApplication>
#include <QRegularExpression>

#include <cstdio>
#include <cstring>

namespace {

const char* const kUsage =
    "Usage: ride-target [--geometry WxH+X+Y] [--keep-focus] [--quit-on-escape]\n"
    "A window that stands in for the roaming program: it takes the keyboard focus, draws a\n"
    "cross where the pointer is and lists the keys it receives with the time. Each key is\n"
    "also printed on standard output as \"HH:MM:SS.mmm key NAME\" (NAME: the character typed,\n"
    "or the key's name such as Return or Ctrl+C); focus changes as \"focus gained\"/\"focus lost\".\n"
    "  --geometry WxH+X+Y  size and place of the window (default 1024x400+0+0)\n"
    "  --keep-focus        take the focus back whenever another window takes it\n"
    "  --quit-on-escape    close when Escape is pressed in the window\n";

bool parseGeometry(const QString& text, QRect& geometry)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)x(\\d+)\\+(-?\\d+)\\+(-?\\d+)$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch()) {
        return false;
    }
    geometry = QRect(match.captured(3).toInt(), match.captured(4).toInt(), match.captured(1).toInt(),
                     match.captured(2).toInt());
    return geometry.width() > 0 && geometry.height() > 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Installed beside the console: no Qt configuration or plugin from the program's directory.
    ride::keepQtToSystemPaths();
    ride::target::TargetSettings settings;
    QRect geometry(0, 0, 1024, 400);
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!std::strcmp(arg, "--keep-focus")) {
            settings.keepFocus = true;
        } else if (!std::strcmp(arg, "--quit-on-escape")) {
            settings.quitOnEscape = true;
        } else if (!std::strcmp(arg, "--geometry") && i + 1 < argc) {
            if (!parseGeometry(QString::fromLocal8Bit(argv[++i]), geometry)) {
                std::fprintf(stderr, "ride-target: --geometry %s: expected WIDTHxHEIGHT+X+Y, e.g. 1024x400+0+0\n",
                             argv[i]);
                return 2;
            }
        } else {
            std::fprintf(stderr, "ride-target: unknown option %s (see --help)\n", arg);
            return 2;
        }
    }

    QApplication app(argc, argv);
    ride::keepLaterQtPluginsToSystemPaths();
    ride::target::TargetWindow window(settings);
    window.setGeometry(geometry);
    window.show();
    return QApplication::exec();
}
