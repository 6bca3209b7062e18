// ride-console: the operator console of the exercise-bike virtual ride.
#include "app/command_line.h"
#include "app/metrics_export.h"
#include "app/network_window_opener.h"
#include "app/service_notifications.h"
#include "app/termination_signals.h"
#include "app/wayland_session.h"
#include "base/log.h"
#include "check/probe/site_check.h"
#include "console/form1.h"
#include "console/view/form1_view.h"
#include "input/x11/x11_cursor.h"
#include "input/x11/x11_focused_window.h"
#include "input/x11/x11_input_focus.h"
#include "input/x11/x11_keystrokes.h"
#include "io/qt/qt_serial_line.h"
#include "io/qt/qt_tcp_socket.h"
#include "media/mpv/mpv_player.h"
#include "media/process/process_animation_player.h"
#include "player/form4.h"
#include "player/view/form4_view.h"
#include "settings/profile_file.h"
#include "ui/qt/qt_event_yield.h"
#include "ui/qt/qt_yes_no_question.h"

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <clocale>
#include <iostream>
#include <malloc.h>
#include <memory>

namespace {

// The player window is created on its first use, as the console's first act of loading.
struct PlayerWindow {
    explicit PlayerWindow(std::filesystem::path settings) : settingsFile(std::move(settings)) {}

    ride::Form4& get()
    {
        if (!model) {
            model = std::make_unique<ride::Form4>(settingsFile);
            view = std::make_unique<ride::Form4View>(*model);
            // Media and animation names may be relative to the program's directory.
            media = std::make_unique<ride::MpvPlayer>(*view->playerSurface(), settingsFile.parent_path());
            animation = std::make_unique<ride::ProcessAnimationPlayer>(settingsFile.parent_path());
            model->attachPlayers(*media, *animation);
            model->setPlayStopAction(playStop);
            model->load();
        }
        return *model;
    }

    std::filesystem::path settingsFile;
    std::function<void()> playStop;
    // Destroyed in reverse: the players stop before the surface they draw into goes.
    std::unique_ptr<ride::Form4> model;
    std::unique_ptr<ride::Form4View> view;
    std::unique_ptr<ride::MpvPlayer> media;
    std::unique_ptr<ride::ProcessAnimationPlayer> animation;
};

} // namespace

int main(int argc, char** argv)
{
    // Blocks of 128 KiB and more (decoded video frames) are mapped on their own and go back to the
    // system when freed; by default the allocator raises that limit and serves later frames from
    // the per-thread heaps, which then creep up with a looping video (docs/reliability.md). Set
    // before any thread starts.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    const ride::MonotonicTime programStart = ride::steadyNow();
    const double programStartSeconds =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();

    if (!ride::startsConsole(argc, argv)) {
        // --check, --help, --version: no windows, so no display needed.
        QCoreApplication app(argc, argv);
        const ride::CommandLine commandLine = ride::parseCommandLine(app);
        if (commandLine.check) {
            return ride::runSiteCheck(ride::settingsFilePath(), std::cout);
        }
        return 0;
    }

    ride::warnIfWaylandSession();
    // Read (and removed from the environment) before any thread starts, and before the console
    // starts a program, which must not talk to the service manager in the console's name.
    ride::ServiceNotifier serviceNotifier = ride::ServiceNotifier::fromEnvironment();

    QApplication app(argc, argv);
    const ride::CommandLine commandLine = ride::parseCommandLine(app);
    // Numbers in settings and records are read with "." whatever the desktop's language.
    std::setlocale(LC_NUMERIC, "C");
    // The console may start hidden; the program ends only on "结束" or on closing the console.
    QApplication::setQuitOnLastWindowClosed(false);
    ride::quitEventLoopOnTerminationSignals();

    const std::filesystem::path settingsFile = ride::settingsFilePath();
    // A save cut short (power lost, program killed) leaves its temporary file; no write runs
    // this long, so one a minute old is litter.
    for (const auto& left : ride::sweepAbandonedTemporaryFiles(settingsFile, std::chrono::minutes(1))) {
        ride::logInfo("settings", "removed " + left.string() + ", left by a save that was cut short");
    }
    ride::QtSerialLine serial;
    ride::X11Cursor cursor("");
    ride::X11Keystrokes keys("");
    // Asked only when [控制界面] 目标窗口 is set; opens its connection on the first question.
    ride::X11FocusedWindow focusedWindow("");
    // Hands the keyboard focus back to the roaming program when the network window is put away.
    ride::X11InputFocus inputFocus("");
    PlayerWindow player(settingsFile);

    // Characters the keymap lacks are typed through borrowed keycodes; give them back once the
    // roaming program has had time to read them, even when no further key string comes.
    QTimer keymapRestore;
    QObject::connect(&keymapRestore, &QTimer::timeout, [&keys] {
        if (keys.holdsBindings()) {
            keys.restoreExpiredBindings();
        }
    });
    keymapRestore.start(1000);

    // The video decoder's threads free and allocate all day; whole pages left free inside their
    // heaps go back to the system once a minute, so resident memory does not creep up over a
    // long exhibition day.
    QTimer heapTrim;
    QObject::connect(&heapTrim, &QTimer::timeout, [] { malloc_trim(0); });
    heapTrim.start(60 * 1000);

    ride::ConsoleServices services;
    services.settingsFile = settingsFile;
    services.serial = &serial;
    services.cursor = &cursor;
    services.keys = &keys;
    services.focusedWindow = &focusedWindow;
    services.loadPlayerWindow = [&player] { player.get(); };
    services.requestMedia = [&player](const ride::Text& file) { player.get().Text1.setText(file); };
    ride::QtTcpSocketFactory sockets;
    ride::QtEventYield events;
    ride::QtYesNoQuestion question;
    // The network window writes into the console's log list and receive box: it is made once the
    // console exists, and goes before it.
    ride::NetworkWindowOpener* network = nullptr;
    ride::Form1* consoleForm = nullptr;
    player.playStop = [&consoleForm] { consoleForm->Text4.setText({}); };
    services.showNetworkWindow = [&network] { network->show(); };
    services.endProgram = [] { QCoreApplication::exit(0); };

    ride::Form1 console(services);
    consoleForm = &console;
    ride::NetworkServices net;
    net.settingsFile = settingsFile;
    net.sockets = &sockets;
    net.events = &events;
    net.question = &question;
    net.log = &console.List1;
    net.consoleReceiveBox = &console.Text1;
    net.consoleRecordCount = [&console] { return console.decoder().recordsDecoded(); };
    ride::NetworkWindowOpener networkWindow(std::move(net), &inputFocus);
    network = &networkWindow;
    // The window to give the focus back to when the network window is put away is the last one
    // outside the program that had it (a mouse click on "网络设置" gives the console the focus
    // first): looked up every two seconds and whenever the focus leaves the program, one round
    // trip to the X server each time.
    networkWindow.setOwnWindowTest([](unsigned long window) {
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->testAttribute(Qt::WA_WState_Created) && static_cast<unsigned long>(widget->winId()) == window) {
                return true;
            }
        }
        return false;
    });
    QObject::connect(&app, &QGuiApplication::applicationStateChanged,
                     [&networkWindow](Qt::ApplicationState) { networkWindow.noteFocusElsewhere(); });
    QTimer focusElsewhere;
    QObject::connect(&focusElsewhere, &QTimer::timeout, [&networkWindow] { networkWindow.noteFocusElsewhere(); });
    focusElsewhere.start(2000);
    networkWindow.noteFocusElsewhere();
    ride::Form1View consoleView(console);
    console.load();

    // Ready once the console has loaded and the event loop runs (its windows are shown by then).
    ride::ServiceNotifications supervision(std::move(serviceNotifier), [&serial, &console, &networkWindow] {
        return ride::currentServiceStatus(serial, console, networkWindow);
    });
    QTimer::singleShot(0, [&supervision] { supervision.announceReady(); });

    // Health for node_exporter's textfile collector, when a file is named for it.
    std::unique_ptr<ride::MetricsExport> metricsExport;
    if (const auto metricsFile = ride::metricsFilePath(commandLine.metricsFile, settingsFile)) {
        metricsExport = std::make_unique<ride::MetricsExport>(*metricsFile, [&, programStart] {
            ride::HealthSources sources;
            sources.console = &console;
            sources.serial = &serial;
            sources.network = networkWindow.window();
            sources.player = player.model.get();
            sources.startedAt = programStart;
            sources.startTimeSeconds = programStartSeconds;
            sources.version = ride::programVersion();
            return sources;
        });
        metricsExport->start();
    }

    // The video core loads many libraries. Start it just after the windows are up when the
    // settings name a video, so that the first choice shows its first frame at once; the player's
    // control panel is on screen from then until that choice. A console without videos never
    // loads it (some 50 MB more at rest, docs/performance.md), so its player stays black.
    QTimer::singleShot(500, [&player, &settingsFile] {
        const bool videos = !ride::ReadIni(settingsFile, u"视频文件", u"视频0").empty() ||
                            !ride::ReadIni(settingsFile, u"视频文件", u"视频1").empty();
        if (videos && player.media) {
            player.media->available();
        }
    });

    return QApplication::exec();
}
