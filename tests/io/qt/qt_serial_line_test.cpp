// SPDX-License-Identifier: GPL-3.0-or-later
// The serial line on Qt SerialPort: which device a port number names, and the one log line each
// setup problem gives (a device that cannot be opened, no device, a rejected settings text),
// written on standard error with the device and the reason.
#include "io/qt/qt_serial_line.h"

#include "support/count_of.h"
#include "support/pty_pair.h"
#include "support/qt_event_pump.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <string>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::countOf;

// "2026-12-07 09:05:03.007 error serial: " and the message: one whole line.
bool isOneLogLine(const std::string& text, const std::string& level, const std::string& message)
{
    const std::regex stamp(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )");
    std::smatch match;
    return std::regex_search(text, match, stamp) && match.position(0) == 0 &&
           text.substr(static_cast<std::size_t>(match.length(0))) == level + " serial: " + message + "\n";
}

TEST(QtSerialLine, PortNumberNNamesTheNthSerialDevice)
{
    QtSerialLine line;
    const struct {
        int number;
        const char* device;
    } cases[] = {{1, "/dev/ttyS0"}, {3, "/dev/ttyS2"}, {12, "/dev/ttyS11"}, {0, ""}, {-1, ""}};
    for (const auto& c : cases) {
        line.setPortNumber(c.number);
        EXPECT_EQ(line.deviceName(), c.device) << c.number;
    }
    line.setDevicePath("/dev/ttyUSB0");
    EXPECT_EQ(line.deviceName(), "/dev/ttyUSB0");
}

// A device that cannot be opened gives one error line with the device and the reason; no device
// chosen at all is said once, as information.
TEST(QtSerialLine, ADeviceThatCannotBeOpenedGivesOneLineWithDeviceAndReason)
{
    testing::TempDir dir;
    const std::string cannot = " cannot be opened: No such file or directory; the console runs without its serial line";
    const struct {
        const char* what;
        std::function<void(QtSerialLine&)> choose;
        std::string level;
        std::string message;
    } cases[] = {
        {"a port number beyond the machine's ports", [](QtSerialLine& l) { l.setPortNumber(200); }, "error",
         "/dev/ttyS199" + cannot},
        {"a path that does not exist", [&](QtSerialLine& l) { l.setDevicePath((dir / "gone").string()); }, "error",
         (dir / "gone").string() + cannot},
        {"no device chosen", [](QtSerialLine& l) { l.setPortNumber(0); }, "info",
         "no device chosen (neither a port number from 1 up nor a path): the serial line stays closed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QtSerialLine line;
        c.choose(line);
        ::testing::internal::CaptureStderr();
        const bool opened = line.open();
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_FALSE(opened);
        EXPECT_FALSE(line.isOpen());
        EXPECT_TRUE(isOneLogLine(err, c.level, c.message)) << err;
    }
}

// Port numbers count from 1, as serial ports are numbered on a PC's back panel: 3 is /dev/ttyS2.
TEST(QtSerialLine, PortThreeIsTtyS2AndItsFailureSaysSo)
{
    if (std::filesystem::exists("/dev/ttyS2")) {
        GTEST_SKIP() << "this machine has a /dev/ttyS2, which might open";
    }
    QtSerialLine line;
    line.setPortNumber(3);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(line.open());
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(err, "\n"), 1) << err;
    EXPECT_NE(err.find("error serial: /dev/ttyS2 cannot be opened: "), std::string::npos) << err;
}

class QtSerialLineOnPty : public ::testing::Test {
protected:
    testing::TempDir dir;
    testing::PtyPair pty{dir.path()};
    QtSerialLine line;
};

TEST_F(QtSerialLineOnPty, APseudoTerminalOpensQuietlyAndCarriesBytes)
{
    line.setDevicePath(pty.deviceEnd().string());
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(line.setSettings(u"19200,E,7,2"));
    ASSERT_TRUE(line.open());
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "");
    pty.write(std::string("\xB3\xB5") + "1"); // 车1 in GBK
    Text arrived;
    std::string bytes;
    EXPECT_TRUE(testing::pumpUntil([&] {
        const Received got = line.readAll();
        arrived += got.text;
        bytes += got.bytes;
        return arrived.size() >= 2;
    }));
    EXPECT_EQ(arrived, u"车1");
    EXPECT_EQ(bytes, "\xB3\xB5"
                     "1");
}

// The console sets the text before it names the port: the rejection waits for the device.
TEST_F(QtSerialLineOnPty, ARejectedSettingsTextIsLoggedWithTheDeviceItWasMeantFor)
{
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(line.setSettings(u"96OO,N,8,1"));
    const std::string beforeDevice = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(beforeDevice, "");

    const std::string device = pty.deviceEnd().string();
    line.setDevicePath(device);
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(line.open()) << "the line opens with its previous settings";
    const std::string atOpen = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(isOneLogLine(atOpen, "warning",
                             device +
                                 ": settings text \"96OO,N,8,1\" rejected (not baud rate, parity letter, data bits, "
                                 "stop bits as in 9600,N,8,1); keeping 9600,N,8,1"))
        << atOpen;

    // With the device known, a later rejection is logged at once, and only once.
    ASSERT_TRUE(line.setSettings(u"4800,O,7,1"));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(line.setSettings(u"fast"));
    EXPECT_TRUE(line.open());
    const std::string later = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(later, "\n"), 1) << later;
    EXPECT_NE(later.find(device + ": settings text \"fast\" rejected"), std::string::npos) << later;
    EXPECT_NE(later.find("keeping 4800,O,7,1"), std::string::npos) << later;
}

// While a lost device is away the line tries it every second; those attempts are not the
// start-up's open and log nothing beyond "lost" and "back".
TEST_F(QtSerialLineOnPty, ReopenAttemptsWhileTheDeviceIsAwayStayQuiet)
{
    const std::string device = pty.deviceEnd().string();
    line.setDevicePath(device);
    ASSERT_TRUE(line.open());
    ::testing::internal::CaptureStderr();
    pty.unplug();
    const bool lost = testing::pumpUntil([&] { return !line.isOpen(); }, 3s);
    testing::pumpFor(2500ms);
    pty.plugIn();
    const bool back = testing::pumpUntil([&] { return line.isOpen(); }, 4s);
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(lost);
    ASSERT_TRUE(back);
    EXPECT_EQ(countOf(err, "\n"), 2) << err;
    EXPECT_EQ(countOf(err, device + " lost ("), 1) << err;
    EXPECT_EQ(countOf(err, device + " is back"), 1) << err;
}

} // namespace
} // namespace ride
