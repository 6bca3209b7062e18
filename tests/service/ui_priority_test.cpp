// SPDX-License-Identifier: GPL-3.0-or-later
// The UI thread's priority step: raised where allowed, and nothing it starts afterwards inherits
// it. Raising needs the system's leave (root, or the package's grant): without it the cases that
// need it are skipped, and the refusal is what is checked.
#include "service/ui_priority.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace ride {
namespace {

int niceOf(pid_t thread)
{
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
}

TEST(UiPriority, RaisesTheCallingThreadOnlyAndWhatItStartsRunsAtNormalPriority)
{
    const UiPriority tried = tryUiThreadPriority();
    EXPECT_EQ(niceOf(::gettid()), 0) << "a try leaves the thread as it was";
    if (!tried.raised) {
        EXPECT_EQ(tried.nice, 0);
        EXPECT_FALSE(tried.refusal.empty());
        GTEST_SKIP() << "this user may not raise priority: " << tried.refusal;
    }
    std::thread ui([] {
        const UiPriority priority = raiseUiThreadPriority();
        EXPECT_TRUE(priority.raised);
        EXPECT_EQ(priority.nice, kUiThreadNice);
        EXPECT_EQ(niceOf(::gettid()), kUiThreadNice);

        // (A program it starts: tests/media/process, with the animation player.)
        int threadNice = 99;
        std::thread([&] { threadNice = niceOf(::gettid()); }).join();
        EXPECT_EQ(threadNice, 0) << "a thread the UI thread starts";

        const UiPriority again = raiseUiThreadPriority();
        EXPECT_TRUE(again.raised);
        EXPECT_EQ(again.nice, kUiThreadNice) << "already there: left as it is";
    });
    ui.join();
    EXPECT_EQ(niceOf(::gettid()), 0) << "the other threads of the process keep their priority";
}

} // namespace
} // namespace ride
