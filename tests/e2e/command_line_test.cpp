// SPDX-License-Identifier: GPL-3.0-or-later
// The real executable's command line: help and version work without a display, and a mistyped
// option or a stray argument ends the program with an error instead of starting the console.
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace ride {
namespace {

// No display at all: the options that print and end must not need one.
const std::map<std::string, std::string> kNoDisplay = {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};

std::string run(const std::vector<std::string>& args, int& status,
                const std::map<std::string, std::string>& env = kNoDisplay)
{
    std::vector<std::string> argv = {RIDE_CONSOLE_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    return testing::runAndCapture(argv, &status, env);
}

TEST(CommandLine, VersionAndHelpPrintAndEndWithoutADisplay)
{
    int status = -1;
    EXPECT_EQ(run({"--version"}, status), "ride-console " RIDE_EXPECTED_VERSION "\n");
    EXPECT_EQ(status, 0);

    const std::string help = run({"--help"}, status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(help.find("--check"), std::string::npos) << help;
    EXPECT_NE(help.find("--metrics-file <path>"), std::string::npos) << help;
    EXPECT_NE(help.find("--capture <path>"), std::string::npos) << help;
    EXPECT_NE(help.find("--version"), std::string::npos) << help;
    EXPECT_NE(help.find("配置.ini"), std::string::npos) << help;
}

TEST(CommandLine, UnknownOptionsAndStrayArgumentsAreErrors)
{
    int status = -1;
    EXPECT_EQ(run({"--chek"}, status), "");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(run({"--check", "extra"}, status), "");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(run({"--metrics-file"}, status), "");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(run({"--metrics-file", "/tmp/x.prom", "stray"}, status), "");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(run({"--capture"}, status), "");
    EXPECT_EQ(status, 1);
}

// With no X display the pointer and keys have nowhere to go: the program names the backend it
// looked for and why it was refused, and ends instead of starting half a console.
TEST(CommandLine, WithoutAUsableDisplayTheProgramSaysWhyAndEnds)
{
    const struct {
        std::map<std::string, std::string> env;
        std::string why;
    } cases[] = {
        {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", "wayland-0"}},
         "a Wayland session without XWayland ($WAYLAND_DISPLAY is set, $DISPLAY is not)"},
        {kNoDisplay, "$DISPLAY is not set: no X server to send the pointer and keys to"},
        {{{"DISPLAY", ":9999"}, {"WAYLAND_DISPLAY", ""}}, "X display \":9999\" cannot be reached"},
    };
    for (const auto& c : cases) {
        int status = -1;
        const std::string out =
            testing::runAndCapture({"/bin/sh", "-c", "exec \"$0\" 2>&1", RIDE_CONSOLE_EXE}, &status, c.env);
        EXPECT_EQ(status, 1) << out;
        EXPECT_NE(out.find(" error backends: no usable pointer and keys backend: x11: " + c.why + "\n"),
                  std::string::npos)
            << out;
    }
}

} // namespace
} // namespace ride
