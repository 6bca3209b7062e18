// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/probe/site_check.h"

#include "check/check_report.h"
#include "check/probe/capture_probe.h"
#include "check/probe/directory_probe.h"
#include "check/probe/priority_probe.h"
#include "check/probe/target_window_probe.h"
#include "check/settings_file_verdict.h"
#include "check/settings_review.h"
#include "settings/profile_file.h"

#include <clocale>

namespace ride {
namespace {

// What every backend of one kind finds here, in the program's order.
template <class Backend>
void probe(const BackendList<Backend>& backends, const BackendContext& context, CheckReport& report)
{
    for (const BackendEntry<Backend>& backend : backends) {
        if (backend.probe) {
            for (Finding& finding : backend.probe(context)) {
                report.add(finding.level, std::move(finding.text));
            }
        }
    }
}

} // namespace

int runSiteCheck(const std::filesystem::path& settingsFile, std::ostream& out, const SiteBackends& backends,
                 const std::optional<std::filesystem::path>& capture)
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
    const BackendContext context{settingsFile, {}};
    std::unique_ptr<InputPlatform> inputBackend;
    if (!ReadIni(settingsFile, u"控制界面", u"目标窗口").empty()) {
        for (const BackendEntry<InputPlatform>& backend : backends.input) {
            if (!backend.unavailable || !backend.unavailable(context)) {
                inputBackend = backend.make(context);
                break;
            }
        }
    }
    probeTargetWindow(settingsFile, inputBackend ? inputBackend->focusedWindow() : nullptr, report);

    reviewSerialSettings(settingsFile, site, report);
    probe(backends.serial, context, report);
    reviewVideoSettings(settingsFile, site, report);
    probe(backends.media, context, report);
    reviewPlayerWindowSettings(settingsFile, report);
    reviewNetworkSettings(settingsFile, site, report);
    probe(backends.sockets, context, report);
    probe(backends.input, context, report);
    probeUiPriority(report);
    probeSettingsDirectory(settingsFile, report);
    probeCapture(settingsFile, capture, report);

    out << summaryLine(report) << '\n';
    return report.exitCode();
}

} // namespace ride
