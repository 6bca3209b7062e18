// SPDX-License-Identifier: GPL-3.0-or-later
// The whole-file replacement both writers share: each way of naming the temporary file and of
// setting the new file's permissions, and the step a failure names.
#include "base/atomic_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>

namespace ride {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& file)
{
    struct stat info {};
    EXPECT_EQ(::stat(file.c_str(), &info), 0) << file;
    return info.st_mode & 07777;
}

std::size_t filesIn(const fs::path& directory)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(directory)) {
        ++n;
    }
    return n;
}

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override { savedUmask_ = ::umask(027); }
    void TearDown() override { ::umask(savedUmask_); }

    testing::TempDir dir_;
    fs::path target_ = dir_ / "target.txt";
    mode_t savedUmask_ = 0;
};

FileReplacement through(const fs::path& temporary, bool unique, std::optional<mode_t> mode = std::nullopt,
                        bool durable = false)
{
    return {temporary, unique, mode, std::nullopt, durable};
}

TEST_F(AtomicFile, EachTemporaryNameAndModePolicyGivesAWholeFileAndLeavesNoTemporaryOne)
{
    struct Case {
        const char* what;
        FileReplacement how;
        mode_t expectedMode;
    };
    const Case cases[] = {
        {"fixed name, 0644 less the umask", through(dir_ / ".target.tmp", false), 0640},
        {"unique name, 0644 less the umask", through(dir_ / ".target.saving.", true), 0640},
        {"unique name, exact mode, durable", through(dir_ / ".target.saving.", true, 0604, true), 0604},
        {"fixed name, exact mode", through(dir_ / ".target.tmp", false, 0666), 0666},
    };
    // Left by a writer killed earlier: the fixed name is written over, a unique one is left for
    // the sweep.
    testing::writeBytes(dir_ / ".target.tmp", "left over, longer than what comes next");
    testing::writeBytes(dir_ / ".target.saving.Ab12Cd", "left over");
    for (const Case& c : cases) {
        testing::writeBytes(target_, "old");
        const std::string text = std::string("new: ") + c.what;
        EXPECT_EQ(replaceFile(target_, text, c.how), std::nullopt) << c.what;
        EXPECT_EQ(testing::readBytes(target_), text) << c.what;
        EXPECT_EQ(modeOf(target_), c.expectedMode) << c.what;
    }
    EXPECT_EQ(testing::readBytes(dir_ / ".target.saving.Ab12Cd"), "left over");
    EXPECT_FALSE(fs::exists(dir_ / ".target.tmp"));
    EXPECT_EQ(filesIn(dir_.path()), 2u) << "the target and the unique leftover";
}

TEST_F(AtomicFile, AFailureNamesItsStepAndKeepsTheOldFile)
{
    testing::writeBytes(target_, "old");
    const fs::path missing = dir_ / "missing";
    for (const bool unique : {false, true}) {
        const auto failure = replaceFile(target_, "new", through(missing / ".target.tmp", unique));
        ASSERT_TRUE(failure) << unique;
        EXPECT_EQ(failure->step, ReplacementFailure::Step::CreateTemporary);
        EXPECT_EQ(failure->error, ENOENT);
        // The name tried: a unique one with six characters more.
        EXPECT_EQ(failure->temporary.parent_path(), missing);
        EXPECT_EQ(failure->temporary.filename().string().rfind(".target.tmp", 0), 0u);
        EXPECT_EQ(failure->temporary.filename().string().size(), unique ? 17u : 11u);
    }

    // A directory in the target's place: the rename fails, and the temporary file goes.
    const fs::path blocked = dir_ / "blocked";
    fs::create_directories(blocked / "inside");
    for (const bool unique : {false, true}) {
        const auto failure = replaceFile(blocked, "new", through(dir_ / ".blocked.", unique));
        ASSERT_TRUE(failure) << unique;
        EXPECT_EQ(failure->step, ReplacementFailure::Step::Rename);
        EXPECT_EQ(failure->error, EISDIR);
        EXPECT_FALSE(fs::exists(failure->temporary)) << failure->temporary;
    }
    EXPECT_EQ(testing::readBytes(target_), "old");
    EXPECT_EQ(filesIn(dir_.path()), 2u) << "the target and the directory in the way";
}

// A symbolic link under the fixed temporary name, planted by someone else who may write in the
// directory, is not followed: the replacement fails, and the file it points at stays as it was.
TEST_F(AtomicFile, ALinkUnderTheFixedNameIsNotFollowed)
{
    testing::writeBytes(target_, "old");
    const fs::path victim = dir_ / "victim";
    testing::writeBytes(victim, "precious");
    fs::create_symlink(victim, dir_ / ".target.tmp");
    const auto failure = replaceFile(target_, "new", through(dir_ / ".target.tmp", false));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->step, ReplacementFailure::Step::CreateTemporary);
    EXPECT_EQ(failure->error, ELOOP);
    EXPECT_EQ(testing::readBytes(victim), "precious");
    EXPECT_EQ(testing::readBytes(target_), "old");
}

} // namespace
} // namespace ride
