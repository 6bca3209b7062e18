// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The site check's report: one finding per line, each ok, a warning (the installation works,
// but something is not as the installer may think) or a problem (something that would stop the
// installation working), and the exit code that sums them up.
#include "base/finding.h"

#include <ostream>
#include <string>
#include <vector>

namespace ride {

// Exit codes of the check.
inline constexpr int kCheckPassed = 0;
inline constexpr int kCheckFoundProblems = 1;
inline constexpr int kCheckUnreadableSettings = 2;

class CheckReport {
public:
    void ok(std::string text) { add(FindingLevel::Ok, std::move(text)); }
    void warning(std::string text) { add(FindingLevel::Warning, std::move(text)); }
    void problem(std::string text) { add(FindingLevel::Problem, std::move(text)); }
    // Line breaks inside `text` become spaces: a finding is always one line.
    void add(FindingLevel level, std::string text);

    const std::vector<Finding>& findings() const { return findings_; }
    int count(FindingLevel level) const;
    // kCheckPassed when no finding is a problem, else kCheckFoundProblems.
    int exitCode() const;

    // Findings written after this are also written to `out` at once, so that an installer
    // watching a slow probe sees how far the check has come.
    void echoTo(std::ostream* out) { echo_ = out; }

private:
    std::vector<Finding> findings_;
    std::ostream* echo_ = nullptr;
};

// "ok      ", "warning ", "PROBLEM " and the text.
std::string formatFinding(const Finding& finding);

// The last line: how many problems and warnings, and what the exit code means.
std::string summaryLine(const CheckReport& report);

} // namespace ride
