// SPDX-License-Identifier: GPL-3.0-or-later
// What the rider does over time: ride files held step by step and looped, and the demo ride
// doing all the things a demo has to show.
#include "bike_sim/ride.h"

#include <gtest/gtest.h>

namespace ride::sim {
namespace {

RideStep step(double time, int speed, int direction, std::size_t pressedKey = kKeyCount)
{
    RideStep s;
    s.time = time;
    s.state.speed = speed;
    s.state.direction = direction;
    if (pressedKey < kKeyCount) {
        s.state.keys[pressedKey] = true;
    }
    return s;
}

TEST(FileRide, EachStepHoldsUntilTheNextAndTheLastOneEndsTheRide)
{
    const FileRide ride({step(0.5, 10, 90), step(1.0, 20, 45, 0), step(2.0, 30, 0)}, false);
    EXPECT_EQ(ride.at(0).speed, 10) << "before the first step, the first step";
    EXPECT_EQ(ride.at(0.5).speed, 10);
    EXPECT_EQ(ride.at(0.999).speed, 10);
    EXPECT_EQ(ride.at(1.0).speed, 20);
    EXPECT_TRUE(ride.at(1.5).keys[0]);
    EXPECT_EQ(ride.at(2.0).speed, 30);
    EXPECT_FALSE(ride.at(2.0).keys[0]);
    ASSERT_TRUE(ride.length());
    EXPECT_EQ(*ride.length(), 2.0);
}

TEST(FileRide, LoopStartsOverAtTheLastStepAndNeverEnds)
{
    const FileRide ride({step(0, 10, 90), step(1.0, 20, 45), step(3.0, 30, 0)}, true);
    EXPECT_FALSE(ride.length());
    EXPECT_EQ(ride.at(2.9).speed, 20);
    EXPECT_EQ(ride.at(3.0).speed, 10);
    EXPECT_EQ(ride.at(4.5).speed, 20);
    EXPECT_EQ(ride.at(30.2).speed, 10);

    // A file of one moment loops into a constant ride.
    const FileRide still({step(0, 7, 80)}, true);
    EXPECT_EQ(still.at(100).speed, 7);
    EXPECT_FALSE(still.length());
}

TEST(DemoRide, PedalsSteersBothWaysAndPressesEveryKeyOncePerCycle)
{
    const DemoRide ride;
    constexpr double kStep = 0.05; // the default record interval
    int minSpeed = kFieldMax;
    int maxSpeed = kFieldMin;
    int minDirection = kFieldMax;
    int maxDirection = kFieldMin;
    std::array<int, kKeyCount> presses{};
    std::array<int, kKeyCount> recordsHeld{};
    BikeState before = ride.at(0);
    const int records = static_cast<int>(2 * DemoRide::kKeyCycle / kStep);
    for (int i = 1; i <= records; ++i) {
        const BikeState now = ride.at(i * kStep);
        minSpeed = std::min(minSpeed, now.speed);
        maxSpeed = std::max(maxSpeed, now.speed);
        minDirection = std::min(minDirection, now.direction);
        maxDirection = std::max(maxDirection, now.direction);
        int down = 0;
        for (std::size_t k = 0; k < kKeyCount; ++k) {
            down += now.keys[k];
            recordsHeld[k] += now.keys[k];
            presses[k] += now.keys[k] && !before.keys[k];
        }
        EXPECT_LE(down, 1) << "two keys at once at " << i * kStep << " s";
        before = now;
    }
    // Stays on the screen with the default travel: speed 0..53 keeps Y above 0.
    EXPECT_GE(minSpeed, 0);
    EXPECT_LE(maxSpeed, 53);
    EXPECT_GT(maxSpeed - minSpeed, 30) << "pedalling up and down";
    EXPECT_LT(minDirection, 60) << "steering one way";
    EXPECT_GT(maxDirection, 120) << "steering the other way";
    EXPECT_GE(minDirection, 0);
    EXPECT_LE(maxDirection, 180);
    for (std::size_t k = 0; k < kKeyCount; ++k) {
        EXPECT_EQ(presses[k], 2) << "key " << k + 1 << " over two cycles";
        // Held over several records, so that a console polling every 30 ms sees it.
        EXPECT_GE(recordsHeld[k], 2 * 5) << "key " << k + 1;
    }
}

} // namespace
} // namespace ride::sim
