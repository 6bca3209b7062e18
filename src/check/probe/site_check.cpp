#include "check/probe/site_check.h"

#include "check/check_report.h"
#include "check/probe/controller_probe.h"
#include "check/probe/directory_probe.h"
#include "check/probe/media_probe.h"
#include "check/probe/serial_probe.h"
#include "check/probe/target_window_probe.h"
#include "check/settings_file_verdict.h"
#include "check/settings_review.h"
#include "settings/profile_file.h"

#include <clocale>

namespace ride {
namespace {

using namespace std::chrono_literals;

// How long a controller may take to accept a connection.
constexpr auto kConnectLimit = 3s;

} // namespace

int runSiteCheck(const std::filesystem::path& settingsFile, std::ostream& out, const BackendList<InputPlatform>& input)
{
    // Numbers are read with "." whatever the language, and libmpv starts only with this.
    std::setlocale(LC_NUMERIC, "C");
    out << "ride-console site check: " << settingsFile.string() << '\n';

    CheckReport report;
    report.echoTo(&out);
    const SettingsFileVerdict verdict = judgeSettingsFile(settingsFile);
    if (!verdict.readable) {
        report.problem(settingsFile.filename().string() + ": " + settingsFile.string() + " " + verdict.reason);
        out << "the settings file cannot be read: nothing else was checked\n";
        return kCheckUnreadableSettings;
    }

    // Section by section, each value's review followed by the probe of what it names.
    const SiteSettings site = readSiteSettings(settingsFile);
    reviewConsoleSettings(settingsFile, report);
    // Further settings of the console are reviewed here, each adding its own findings.
    // The pointer-and-key backend the program would take: the first usable one, made only when a
    // target window is named, for the windows on screen.
    const BackendContext context{settingsFile.parent_path(), {}};
    std::unique_ptr<InputPlatform> inputBackend;
    if (!ReadIni(settingsFile, u"控制界面", u"目标窗口").empty()) {
        for (const BackendEntry<InputPlatform>& backend : input) {
            if (!backend.unavailable || !backend.unavailable(context)) {
                inputBackend = backend.make(context);
                break;
            }
        }
    }
    probeTargetWindow(settingsFile, inputBackend ? inputBackend->focusedWindow() : nullptr, report);

    reviewSerialSettings(settingsFile, site, report);
    probeSerialLine(site, report);
    reviewVideoSettings(settingsFile, site, report);
    probeVideos(settingsFile.parent_path(), site, report);
    reviewPlayerWindowSettings(settingsFile, report);
    reviewNetworkSettings(settingsFile, site, report);
    probeControllers(site, report, kConnectLimit);
    for (const BackendEntry<InputPlatform>& backend : input) {
        if (backend.probe) {
            for (Finding& finding : backend.probe(context)) {
                report.add(finding.level, std::move(finding.text));
            }
        }
    }
    probeSettingsDirectory(settingsFile, report);

    out << summaryLine(report) << '\n';
    return report.exitCode();
}

} // namespace ride
