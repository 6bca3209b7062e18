// The 30 ms serial poll: arrivals appended to the receive box, and the 100-character rule.
#include "console/form1.h"
#include "input/recording_keystrokes.h"
#include "support/fake_cursor.h"
#include "support/fake_serial_line.h"

#include <gtest/gtest.h>

namespace ride {
namespace {

class SerialPoll : public ::testing::Test {
protected:
    SerialPoll()
    {
        services.serial = &serial;
        services.cursor = &cursor;
        services.keys = &keys;
        form = std::make_unique<Form1>(services);
        serial.setPortNumber(1);
        serial.open();
    }

    ConsoleServices services;
    testing::FakeSerialLine serial;
    testing::FakeCursor cursor;
    RecordingKeystrokes keys;
    std::unique_ptr<Form1> form;
};

TEST_F(SerialPoll, PiecesAreAppendedOneAfterAnother)
{
    std::vector<Text> seen;
    form->Text1.onChange([&] { seen.push_back(form->Text1.text()); });
    serial.arrivals = {u"abc", u"", u"中文", u"xyz"};
    for (int i = 0; i < 5; ++i) {
        form->Timer2.tick();
    }
    EXPECT_EQ(form->Text1.text(), u"abc中文xyz");
    // The empty arrival changes nothing; every other one is one change of the box.
    EXPECT_EQ(seen, (std::vector<Text>{u"abc", u"abc中文", u"abc中文xyz"}));
}

TEST_F(SerialPoll, BoxOverHundredCharactersIsEmptiedOnTheNextTickWithoutInput)
{
    form->Text1.setText(Text(100, u'x'));
    form->Timer2.tick();
    EXPECT_EQ(form->Text1.text().size(), 100u);

    form->Text1.setText(Text(101, u'x'));
    EXPECT_EQ(form->Text1.text().size(), 101u);
    form->Timer2.tick();
    EXPECT_EQ(form->Text1.text(), u"");
}

TEST_F(SerialPoll, ArrivalThatPassesTheLimitIsEmptiedInTheSameTick)
{
    form->Text1.setText(Text(90, u'x'));
    serial.arrivals = {Text(20, u'y')};
    form->Timer2.tick();
    EXPECT_EQ(form->Text1.text(), u"");
}

TEST_F(SerialPoll, ClosedLineBringsNothingAndTheTickGoesOn)
{
    testing::FakeSerialLine closed;
    ConsoleServices s;
    s.serial = &closed;
    s.cursor = &cursor;
    s.keys = &keys;
    Form1 quiet(s);
    closed.arrivals = {u"never"};
    quiet.Text1.setText(Text(150, u'x'));
    quiet.Timer2.tick();
    EXPECT_EQ(quiet.Text1.text(), u"");
}

} // namespace
} // namespace ride
