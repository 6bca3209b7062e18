// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/check_report.h"

#include <algorithm>

namespace ride {

void CheckReport::add(FindingLevel level, std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    findings_.push_back({level, std::move(text)});
    if (echo_) {
        *echo_ << formatFinding(findings_.back()) << '\n' << std::flush;
    }
}

int CheckReport::count(FindingLevel level) const
{
    return static_cast<int>(
        std::count_if(findings_.begin(), findings_.end(), [level](const Finding& f) { return f.level == level; }));
}

int CheckReport::exitCode() const
{
    return count(FindingLevel::Problem) > 0 ? kCheckFoundProblems : kCheckPassed;
}

std::string formatFinding(const Finding& finding)
{
    switch (finding.level) {
    case FindingLevel::Ok: return "ok      " + finding.text;
    case FindingLevel::Warning: return "warning " + finding.text;
    case FindingLevel::Problem: break;
    }
    return "PROBLEM " + finding.text;
}

namespace {

std::string counted(int n, const char* what)
{
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

} // namespace

std::string summaryLine(const CheckReport& report)
{
    const int problems = report.count(FindingLevel::Problem);
    const std::string counts =
        counted(problems, "problem") + ", " + counted(report.count(FindingLevel::Warning), "warning");
    if (problems > 0) {
        return counts + ": the installation would not work as set up";
    }
    return counts + ": nothing stops the installation working";
}

} // namespace ride
