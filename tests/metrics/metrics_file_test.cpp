// SPDX-License-Identifier: GPL-3.0-or-later
// The metrics file: replaced whole, readable by the exporter's user, no temporary file left, and
// a failing directory logged once (and its recovery once), not at every attempt.
#include "fault/stderr_capture.h"
#include "metrics/metrics_file.h"
#include "support/count_of.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/stat.h>

namespace ride {
namespace {

TEST(MetricsFile, ReplacesTheFileWholeAndLeavesNoTemporaryFile)
{
    testing::TempDir dir;
    MetricsFile file(dir / "ride-console.prom");
    ASSERT_TRUE(file.write("# TYPE a gauge\na 1\n"));
    ASSERT_TRUE(file.write("# TYPE a gauge\na 2\n"));
    EXPECT_EQ(testing::readBytes(dir / "ride-console.prom"), "# TYPE a gauge\na 2\n");
    EXPECT_FALSE(std::filesystem::exists(file.temporaryPath()));
    EXPECT_NE(file.temporaryPath().extension(), ".prom") << "the collector must not read the temporary file";
    EXPECT_EQ(file.temporaryPath().parent_path(), dir.path()) << "a rename within one file system";

    struct stat st {};
    ASSERT_EQ(::stat((dir / "ride-console.prom").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0044, 0044u) << "node_exporter runs as a user of its own and must read it";
}

TEST(MetricsFile, AReaderPollingMeanwhileOnlyEverSeesWholeTexts)
{
    testing::TempDir dir;
    MetricsFile file(dir / "ride-console.prom");
    // Two texts of very different lengths: a read of a file being rewritten in place would mix
    // them or cut the long one short.
    const std::string shortText = "# TYPE a gauge\na 1\n";
    std::string longText = "# TYPE b gauge\n";
    for (int i = 0; i < 2000; ++i) {
        longText += "b{i=\"" + std::to_string(i) + "\"} " + std::to_string(i) + "\n";
    }
    ASSERT_TRUE(file.write(shortText));

    std::atomic<bool> done{false};
    std::atomic<long> reads{0};
    std::atomic<long> torn{0};
    std::thread reader([&] {
        while (!done) {
            std::ifstream in(file.path(), std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            ++reads;
            if (text.str() != shortText && text.str() != longText) {
                ++torn;
            }
        }
    });
    for (int i = 0; i < 2000; ++i) {
        ASSERT_TRUE(file.write(i % 2 ? shortText : longText));
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_GT(reads, 100);
}

TEST(MetricsFile, AFailureIsLoggedOnceAndTheRecoveryOnce)
{
    testing::TempDir dir;
    const std::filesystem::path missing = dir / "not-yet";
    MetricsFile file(missing / "ride-console.prom");
    testing::StderrCapture captured((dir / "stderr.txt").string());
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(file.write("# TYPE a gauge\na 1\n"));
    }
    std::filesystem::create_directory(missing);
    EXPECT_TRUE(file.write("# TYPE a gauge\na 1\n"));
    EXPECT_TRUE(file.write("# TYPE a gauge\na 1\n"));
    std::filesystem::remove_all(missing);
    EXPECT_FALSE(file.write("# TYPE a gauge\na 1\n"));
    EXPECT_FALSE(file.write("# TYPE a gauge\na 1\n"));
    captured.restore();

    const std::string log = captured.text();
    EXPECT_EQ(testing::countOf(log, "error metrics: cannot create"), 2) << log;
    EXPECT_EQ(testing::countOf(log, "writing " + (missing / "ride-console.prom").string() + " again"), 1) << log;
    EXPECT_NE(log.find("No such file or directory"), std::string::npos) << log;
}

TEST(MetricsFile, AFailedRenameKeepsTheOldFileAndRemovesTheTemporaryOne)
{
    testing::TempDir dir;
    // A directory in the way of the target: the rename fails, the text written so far goes.
    std::filesystem::create_directories(dir / "ride-console.prom" / "x");
    MetricsFile file(dir / "ride-console.prom");
    testing::StderrCapture captured((dir / "stderr.txt").string());
    EXPECT_FALSE(file.write("# TYPE a gauge\na 1\n"));
    captured.restore();
    EXPECT_FALSE(std::filesystem::exists(file.temporaryPath()));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "ride-console.prom"));
    EXPECT_NE(captured.text().find("cannot rename"), std::string::npos) << captured.text();
}

} // namespace
} // namespace ride
