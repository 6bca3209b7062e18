// SPDX-License-Identifier: GPL-3.0-or-later
// What bike-sim does with a console that reads slowly, stops reading, or goes away: it never
// blocks, never reorders, and drops only whole new records.
#include "bike_sim/outbox.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <sys/socket.h>
#include <unistd.h>

namespace ride::sim {
namespace {

class OutboxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::signal(SIGPIPE, SIG_IGN);
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fds), 0);
    }
    void TearDown() override
    {
        for (int fd : fds) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }
    std::string readAll()
    {
        std::string got;
        char buffer[65536];
        ssize_t n;
        while ((n = read(fds[1], buffer, sizeof buffer)) > 0) {
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

    int fds[2] = {-1, -1};
    Outbox outbox;
};

TEST_F(OutboxTest, DeliversInOrderAndEmpties)
{
    ASSERT_TRUE(outbox.add("one."));
    ASSERT_TRUE(outbox.add("two."));
    EXPECT_EQ(outbox.flush(fds[0]), Outbox::Result::Empty);
    EXPECT_TRUE(outbox.empty());
    EXPECT_EQ(readAll(), "one.two.");
}

TEST_F(OutboxTest, ConsoleThatStopsReadingLosesNewRecordsNotOldOnes)
{
    const std::string record(30, 'r');
    // Fill the connection until the kernel takes no more.
    long long queued = 0;
    Outbox::Result result = Outbox::Result::Empty;
    while (result == Outbox::Result::Empty && queued < 100'000'000) {
        ASSERT_TRUE(outbox.add(record));
        queued += 30;
        result = outbox.flush(fds[0]);
    }
    ASSERT_EQ(result, Outbox::Result::Waiting);
    // Up to the limit the outbox holds on; beyond it new records are refused whole.
    int accepted = 0;
    while (outbox.add(record)) {
        ++accepted;
        ASSERT_LT(accepted, 1000);
    }
    EXPECT_LE(static_cast<std::size_t>(accepted) * 30, Outbox::kLimit);
    EXPECT_EQ(outbox.flush(fds[0]), Outbox::Result::Waiting);

    // The console reads again: everything kept arrives, as whole records.
    std::string got;
    while (!outbox.empty()) {
        got += readAll();
        outbox.flush(fds[0]);
    }
    got += readAll();
    EXPECT_EQ(static_cast<long long>(got.size()), queued + accepted * 30LL);
    EXPECT_EQ(got.find_first_not_of('r'), std::string::npos);
}

TEST_F(OutboxTest, ClosedOtherEndIsGone)
{
    close(fds[1]);
    fds[1] = -1;
    ASSERT_TRUE(outbox.add("record."));
    EXPECT_EQ(outbox.flush(fds[0]), Outbox::Result::Gone);
}

} // namespace
} // namespace ride::sim
