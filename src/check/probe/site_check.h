#pragma once
// ride-console --check: reads the settings file as the console does, probes what the settings
// name, and prints one line per finding to `out`, then a summary. Never writes the settings
// file; sends nothing but the connection attempts to the controllers.
#include "base/backend_choice.h"
#include "input/input_platform.h"

#include <filesystem>
#include <ostream>

namespace ride {

// The exit code: 0 nothing wrong, 1 something would stop the installation working, 2 the
// settings file is missing or unreadable (check/settings_file_verdict.h). `input` is the list of
// pointer and key backends the program chooses from; each says what it finds here.
int runSiteCheck(const std::filesystem::path& settingsFile, std::ostream& out, const BackendList<InputPlatform>& input);

} // namespace ride
