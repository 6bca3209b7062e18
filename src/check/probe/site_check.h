// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ride-console --check: reads the settings file as the console does, probes what the settings
// name, and prints one line per finding to `out`, then a summary. Never writes the settings
// file; sends nothing but the connection attempts to the controllers.
#include "base/backend_choice.h"
#include "input/input_platform.h"
#include "io/serial_line.h"
#include "io/tcp_socket.h"
#include "media/media_backend.h"

#include "check/check_report.h"

#include <filesystem>
#include <optional>
#include <ostream>

namespace ride {

// The backends the program chooses from, kind by kind. Each says what it finds here (its probe):
// the display for the pointer and keys, the device for the serial line, the controllers for the
// sockets, the videos for the media.
struct SiteBackends {
    const BackendList<InputPlatform>& input;
    const BackendList<SerialLine>& serial;
    const BackendList<TcpSocketFactory>& sockets;
    const BackendList<MediaBackend>& media;
};

// The exit code: 0 nothing wrong, 1 something would stop the installation working, 2 the
// settings file is missing or unreadable (check/settings_file_verdict.h). `capture` is the
// command line's capture file, which the console would take instead of the setting's.
int runSiteCheck(const std::filesystem::path& settingsFile, std::ostream& out, const SiteBackends& backends,
                 const std::optional<std::filesystem::path>& capture = {});

// Findings written into a report of their own, for a backend's probe.
template <class Probe>
std::vector<Finding> findingsOf(Probe probe)
{
    CheckReport report;
    probe(report);
    return report.findings();
}

} // namespace ride
