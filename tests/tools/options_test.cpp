// SPDX-License-Identifier: GPL-3.0-or-later
// bike-sim's command line: what each option sets, and the mistakes it refuses with a message
// instead of running with something the installer did not ask for.
#include "bike_sim/options.h"

#include <gtest/gtest.h>

namespace ride::sim {
namespace {

std::variant<Options, OptionError> parse(std::vector<std::string> args)
{
    return parseOptions(args);
}

Options ok(std::vector<std::string> args)
{
    auto parsed = parse(args);
    if (auto* error = std::get_if<OptionError>(&parsed)) {
        ADD_FAILURE() << error->message;
        return {};
    }
    return std::get<Options>(parsed);
}

std::string refused(std::vector<std::string> args)
{
    auto parsed = parse(args);
    if (auto* error = std::get_if<OptionError>(&parsed)) {
        return error->message;
    }
    ADD_FAILURE() << "accepted";
    return {};
}

TEST(BikeSimOptions, TransportsAndTheirDefaults)
{
    const Options serial = ok({"--serial"});
    EXPECT_TRUE(serial.serial);
    EXPECT_FALSE(serial.tcp);
    EXPECT_EQ(serial.ride, RideKind::Demo);
    EXPECT_EQ(serial.intervalMs, 50);
    EXPECT_EQ(serial.length, RecordLength::Full);
    EXPECT_TRUE(serial.malforms.empty());

    EXPECT_TRUE(ok({"--link", "/tmp/bike"}).serial) << "a link implies the pseudo-terminal";
    EXPECT_EQ(ok({"--link=/tmp/bike"}).link, "/tmp/bike");

    const Options tcp = ok({"--tcp", "8001"});
    EXPECT_EQ(tcp.tcpAddress, "127.0.0.1");
    EXPECT_EQ(tcp.tcpPort, 8001);
    const Options any = ok({"--tcp=0.0.0.0:9000", "--device", "/dev/ttyUSB0", "--baud", "19200"});
    EXPECT_EQ(any.tcpAddress, "0.0.0.0");
    EXPECT_EQ(any.tcpPort, 9000);
    EXPECT_EQ(any.device, "/dev/ttyUSB0");
    EXPECT_EQ(any.baud, 19200);
    EXPECT_EQ(ok({"--tcp", "localhost:0"}).tcpAddress, "127.0.0.1");
}

TEST(BikeSimOptions, RideAndRecordChoices)
{
    const Options constant = ok({"--serial", "--constant", "12,-20,ABBBBA"});
    EXPECT_EQ(constant.ride, RideKind::Constant);
    EXPECT_EQ(constant.constant.speed, 12);
    EXPECT_EQ(constant.constant.direction, -20);
    EXPECT_TRUE(constant.constant.keys[0]);
    EXPECT_FALSE(constant.constant.keys[1]);
    EXPECT_TRUE(constant.constant.keys[5]);

    const Options file = ok({"--tcp", "1", "--ride", "r.txt", "--loop", "--interval", "20", "--length", "28"});
    EXPECT_EQ(file.ride, RideKind::File);
    EXPECT_EQ(file.rideFile, "r.txt");
    EXPECT_TRUE(file.loop);
    EXPECT_EQ(file.intervalMs, 20);
    EXPECT_EQ(file.length, RecordLength::Short);

    const Options spoiled = ok({"--serial", "--malform", "split,garbage,split", "--malform-every", "3", "--seed", "9"});
    EXPECT_EQ(spoiled.malforms, (std::vector<Malform>{Malform::Split, Malform::Garbage, Malform::Split}));
    EXPECT_EQ(spoiled.malformEvery, 3);
    EXPECT_EQ(spoiled.seed, 9u);

    EXPECT_TRUE(ok({"--help"}).help) << "help needs no transport";
}

TEST(BikeSimOptions, MistakesAreRefusedWithAMessageThatNamesThem)
{
    EXPECT_NE(refused({}).find("no transport"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--device", "/dev/ttyS0"}).find("choose one"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--constant", "1,2", "--ride", "r"}).find("one ride"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--loop"}).find("--ride"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--malform", "split,noise"}).find("end-mark, letters, split, garbage"),
              std::string::npos);
    EXPECT_NE(refused({"--tcp"}).find("--tcp needs a value"), std::string::npos);
    EXPECT_NE(refused({"--tcp", "70000"}).find("70000"), std::string::npos);
    EXPECT_NE(refused({"--tcp", "bikehost:8001"}).find("IPv4"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--constant", "1000,90"}).find("-99..999"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--constant", "10,90,ABC"}).find("KEYS"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--interval", "0"}).find("1 to 60000"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--length", "29"}).find("30 or 28"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--malform-every", "0"}).find("1 or more"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--duration", "-1"}).find("seconds"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--pace", "5"}).find("unknown option --pace"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--speed", "5"}).find("--speed goes with --replay"), std::string::npos);
    EXPECT_NE(refused({"--to-ride"}).find("--to-ride goes with --replay"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--replay", "c", "--malform", "split"}).find("--malform shapes generated"),
              std::string::npos);
    EXPECT_NE(refused({"--serial", "--replay", "c", "--ride", "r"}).find("one ride"), std::string::npos);
    EXPECT_NE(refused({"--serial", "--replay", "c", "--source", "channel:x"}).find("serial or channel:N"),
              std::string::npos);
    EXPECT_NE(refused({"--serial", "--replay", "c", "--speed", "0"}).find("above 0"), std::string::npos);
    EXPECT_NE(refused({"--replay", "c"}).find("no transport"), std::string::npos);
}

TEST(BikeSimOptions, ACaptureReplayedOrPrintedAsARide)
{
    const Options replay = ok({"--tcp", "0", "--replay", "site.capture", "--source", "channel:2", "--speed", "2.5"});
    EXPECT_EQ(replay.ride, RideKind::Replay);
    EXPECT_EQ(replay.replayFile, "site.capture");
    EXPECT_EQ(replay.replaySource, LineSource::tcpChannel(2));
    EXPECT_EQ(replay.speed, 2.5);
    EXPECT_EQ(ok({"--serial", "--replay", "c"}).replaySource, LineSource::serial()) << "the serial line by default";
    EXPECT_TRUE(ok({"--replay", "c", "--to-ride"}).toRide) << "printing needs no transport";
}

} // namespace
} // namespace ride::sim
