// SPDX-License-Identifier: GPL-3.0-or-later
// The serial poll against a real pseudo-terminal pair: what the controller end writes reaches
// the receive box piece by piece, and a line that goes away is closed and reopened.
#include "app/standard_backends.h"
#include "io/qt/qt_serial_line.h"
#include "settings/profile_file.h"
#include "support/count_of.h"
#include "support/pty_pair.h"
#include "support/qt_event_pump.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace ride {
namespace {

// The site on the program's own serial line backend.
std::unique_ptr<testing::TestSite> siteOnRealSerialLine(const std::filesystem::path& settingsFile)
{
    testing::SiteOptions options;
    options.settingsFile = settingsFile;
    options.backends.serial = {"qt"};
    options.moreBackends = standardBackends();
    return std::make_unique<testing::TestSite>(std::move(options));
}

class SerialPty : public ::testing::Test {
protected:
    SerialPty() : pty(dir.path())
    {
        WriteIni(dir / "配置.ini", u"串口设置", u"设置", u"9600,N,8,1");
        WriteIni(dir / "配置.ini", u"串口设置", u"端口", fromUtf8(pty.deviceEnd().string()));
        site = siteOnRealSerialLine(dir / "配置.ini");
        form = &site->console();
    }

    QtSerialLine& line() { return dynamic_cast<QtSerialLine&>(site->serialLine()); }

    // Runs the Qt event loop (which feeds the serial port) and ticks the poll every 30 ms until
    // `condition` holds or `ms` pass.
    template <class Condition>
    bool pollUntil(Condition condition, int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            // Sleeps in the event loop for one poll interval, as the program does between ticks.
            testing::pumpFor(std::chrono::milliseconds(30));
            form->Timer2.tick();
            if (condition()) {
                return true;
            }
        }
        return false;
    }

    testing::TempDir dir;
    testing::PtyPair pty;
    std::unique_ptr<testing::TestSite> site;
    Form1* form = nullptr;
};

TEST_F(SerialPty, PiecesArriveInTheReceiveBoxInOrder)
{
    ASSERT_TRUE(line().isOpen());
    std::vector<Text> seen;
    form->Text1.onChange([&] { seen.push_back(form->Text1.text()); });
    pty.write("ab");
    ASSERT_TRUE(pollUntil([&] { return form->Text1.text() == u"ab"; }, 2000));
    pty.write("cd\xD6");            // the first byte of 中 ...
    pty.write(std::string("\xD0")); // ... and its second byte, possibly in the next read
    ASSERT_TRUE(pollUntil([&] { return form->Text1.text() == u"abcd中"; }, 2000));
    for (const Text& t : seen) {
        EXPECT_EQ(t.find(u'\uFFFD'), Text::npos) << "a split character was corrupted";
    }
}

TEST_F(SerialPty, OverLongBoxIsEmptiedWithoutFurtherInput)
{
    std::size_t longest = 0;
    form->Text1.onChange([&] { longest = std::max(longest, form->Text1.text().size()); });
    pty.write(std::string(101, 'x'));
    // 101 characters may come in one read or several; either way the box ends up empty.
    ASSERT_TRUE(pollUntil([&] { return longest > 0 && form->Text1.text().empty(); }, 2000));
    EXPECT_LE(longest, 101u);
    pty.write(std::string(60, 'y'));
    ASSERT_TRUE(pollUntil([&] { return form->Text1.text().size() == 60; }, 2000));
    form->Timer2.tick();
    EXPECT_EQ(form->Text1.text().size(), 60u);
}

TEST_F(SerialPty, LostDeviceIsClosedAndReopenedWhenBack)
{
    ASSERT_TRUE(line().isOpen());
    pty.unplug();
    ASSERT_TRUE(pollUntil([&] { return !line().isOpen(); }, 3000)) << "the lost line stayed open";
    EXPECT_TRUE(line().waitingForDevice());

    pty.plugIn();
    ASSERT_TRUE(pollUntil([&] { return line().isOpen(); }, 4000)) << "the line did not come back";
    pty.write("back");
    ASSERT_TRUE(pollUntil([&] { return form->Text1.text() == u"back"; }, 2000));
}

TEST_F(SerialPty, NothingSpinsWhileTheDeviceIsAway)
{
    pty.unplug();
    ASSERT_TRUE(pollUntil([&] { return !line().isOpen(); }, 3000));
    // With the line closed the event loop must go quiet: measure the CPU this process uses.
    const std::clock_t before = std::clock();
    pollUntil([] { return false; }, 1000);
    const double cpuSeconds = double(std::clock() - before) / CLOCKS_PER_SEC;
    EXPECT_LT(cpuSeconds, 0.3);
}

// Port numbers count from 1, as serial ports are numbered on a PC's back panel: "端口=3" is
// /dev/ttyS2. Where that device is missing, the start shows nothing on screen; standard error gets
// one line for the settings text the line rejected and one for the port, both naming /dev/ttyS2.
TEST(ConsoleSerialStart, PortThreeWithoutTtyS2IsNamedOnStandardError)
{
    if (std::filesystem::exists("/dev/ttyS2")) {
        GTEST_SKIP() << "this machine has a /dev/ttyS2, which might open";
    }
    testing::TempDir dir;
    WriteIni(dir / "配置.ini", u"串口设置", u"设置", u"9600,N,8,1,1");
    WriteIni(dir / "配置.ini", u"串口设置", u"端口", u"3");
    ::testing::internal::CaptureStderr();
    const auto site = siteOnRealSerialLine(dir / "配置.ini");
    const std::string err = ::testing::internal::GetCapturedStderr();
    Form1& form = site->console();
    const SerialLine& serialLine = site->serialLine();
    EXPECT_EQ(testing::countOf(err, "\n"), 2) << err;
    EXPECT_NE(err.find("warning serial: /dev/ttyS2: settings text \"9600,N,8,1,1\" rejected"), std::string::npos)
        << err;
    EXPECT_NE(err.find("error serial: /dev/ttyS2 cannot be opened: "), std::string::npos) << err;
    EXPECT_FALSE(serialLine.isOpen());
    EXPECT_TRUE(form.List1.items().empty());
    EXPECT_TRUE(form.window.visible());
}

} // namespace
} // namespace ride
