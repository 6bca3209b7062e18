// SPDX-License-Identifier: GPL-3.0-or-later
// The 30 ms serial poll: arrivals appended to the receive box, and the 100-character rule; the
// arrival point every line's text enters through.
#include "support/site_test.h"

#include <gtest/gtest.h>

namespace ride {
namespace {

class SerialPoll : public testing::SiteTest {
protected:
    SerialPoll()
    {
        serial.setPortNumber(1);
        static_cast<void>(serial.open());
    }

    testing::FakeSerialLine& serial = site.serial();
};

TEST_F(SerialPoll, PiecesAreAppendedOneAfterAnother)
{
    std::vector<Text> seen;
    console.Text1.onChange([&] { seen.push_back(console.Text1.text()); });
    serial.arrivals = {u"abc", u"", u"中文", u"xyz"};
    for (int i = 0; i < 5; ++i) {
        console.Timer2.tick();
    }
    EXPECT_EQ(console.Text1.text(), u"abc中文xyz");
    // The empty arrival changes nothing; every other one is one change of the box.
    EXPECT_EQ(seen, (std::vector<Text>{u"abc", u"abc中文", u"abc中文xyz"}));
}

TEST_F(SerialPoll, BoxOverHundredCharactersIsEmptiedOnTheNextTickWithoutInput)
{
    console.Text1.setText(Text(100, u'x'));
    console.Timer2.tick();
    EXPECT_EQ(console.Text1.text().size(), 100u);

    console.Text1.setText(Text(101, u'x'));
    EXPECT_EQ(console.Text1.text().size(), 101u);
    console.Timer2.tick();
    EXPECT_EQ(console.Text1.text(), u"");
}

TEST_F(SerialPoll, ArrivalThatPassesTheLimitIsEmptiedInTheSameTick)
{
    console.Text1.setText(Text(90, u'x'));
    serial.arrivals = {Text(20, u'y')};
    console.Timer2.tick();
    EXPECT_EQ(console.Text1.text(), u"");
}

TEST_F(SerialPoll, ClosedLineBringsNothingAndTheTickGoesOn)
{
    testing::TestSite quiet;
    quiet.serial().arrivals = {u"never"};
    quiet.console().Text1.setText(Text(150, u'x'));
    quiet.console().Timer2.tick();
    EXPECT_EQ(quiet.console().Text1.text(), u"");
}

// Every line's arrivals are seen by the arrival point's listeners with their bytes as they came,
// also a lone first byte of a split character, which brings no text yet; records are counted for
// the line that completed them.
TEST_F(SerialPoll, ArrivalsAreSeenWithTheirBytesAndCountedForTheirLine)
{
    std::vector<std::pair<std::string, std::string>> seen;
    console.arrivals().listen([&](const Arrival& a) { seen.emplace_back(a.source.name(), std::string(a.bytes)); });
    const std::string record = ":::S=010xxx090xxxxxx,DIBBBBBB.";
    const Text recordText(record.begin(), record.end());
    console.arrivals().arrive({LineSource::tcpChannel(1), "\xD6", u""});
    EXPECT_EQ(console.Text1.text(), u"") << "a lone lead byte appends nothing";
    console.arrivals().arrive({LineSource::tcpChannel(1), record, recordText});
    serial.arrivals = {recordText, recordText};
    console.Timer2.tick();
    console.Timer2.tick();

    EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::string>>{
                        {"tcp1", "\xD6"}, {"tcp1", record}, {"serial", record}, {"serial", record}}));
    EXPECT_EQ(console.arrivals().records(LineSource::serial()).count, 2u);
    EXPECT_EQ(console.arrivals().records(LineSource::tcpChannel(1)).count, 1u);
    EXPECT_EQ(console.arrivals().records(LineSource::tcpChannel(0)).count, 0u);
    EXPECT_EQ(cursor.moves.size(), 3u);
}

} // namespace
} // namespace ride
