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

} // namespace
} // namespace ride
