// SPDX-License-Identifier: GPL-3.0-or-later
// The settings template lists exactly the keys the program and the site check read: the desktop is
// made on the template, every video is chosen and the network window opened, the check runs on the
// same file, and every key read is compared with the keys the template holds, both ways.
#include "app/desktop.h"
#include "app/standard_backends.h"
#include "check/probe/site_check.h"
#include "settings/profile_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "support/test_backends.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

namespace ride {
namespace {

using Keys = std::set<std::string>;

// "[section] key" for every key line of the template (comments start with ";").
Keys templateKeys(const std::string& utf8)
{
    Keys keys;
    std::istringstream lines(utf8);
    std::string section;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("[")) {
            section = line.substr(1, line.find(']') - 1);
        } else if (!line.starts_with(";") && line.find('=') != std::string::npos) {
            keys.insert("[" + section + "] " + line.substr(0, line.find('=')));
        }
    }
    return keys;
}

TEST(SettingsTemplate, ListsEveryKeyTheProgramAndTheCheckReadAndNoOther)
{
    const std::string utf8 = testing::readBytes(RIDE_SETTINGS_TEMPLATE);
    testing::TempDir dir;
    const std::filesystem::path settings = dir / "配置.ini";
    std::string gbk;
    for (const char c : toGbk(fromUtf8(utf8))) {
        gbk += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    std::ofstream(settings, std::ios::binary) << gbk;

    Keys read;
    observeSettingsReads(
        [&](TextView section, TextView key) { read.insert("[" + toUtf8(section) + "] " + toUtf8(key)); });
    {
        const BackendContext context{settings, {}};
        Desktop desktop(chooseBackends(testing::testBackends(), testing::testBackendNames(), context).make(context),
                        CommandLine{}, ServiceNotifier(std::nullopt, std::nullopt), ProgramStart::now(), settings);
        Form1& console = desktop.installation().console();
        console.Command2_0.click();
        console.Command2_1.click();
        console.Command3.click();
    }
    const BackendTable standard = standardBackends();
    std::ostringstream report;
    runSiteCheck(settings, report, {standard.input, standard.serial, standard.sockets, standard.media});
    observeSettingsReads({});

    const Keys listed = templateKeys(utf8);
    for (const std::string& key : read) {
        EXPECT_TRUE(listed.contains(key)) << key << " is read but missing from the template";
    }
    for (const std::string& key : listed) {
        EXPECT_TRUE(read.contains(key)) << key << " is in the template but nothing reads it";
    }
    EXPECT_GE(listed.size(), 20u) << "the template was not read as expected";
}

} // namespace
} // namespace ride
