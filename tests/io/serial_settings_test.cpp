// SPDX-License-Identifier: GPL-3.0-or-later
// The serial line's settings text, as "设置" holds it.
#include "io/serial_settings.h"

#include <gtest/gtest.h>

namespace ride {
namespace {

TEST(SerialSettingsText, ClassicFormIsParsedAndAnythingElseRejected)
{
    EXPECT_EQ(parseSerialSettings(u"9600,N,8,1"), SerialSettings{});
    EXPECT_EQ(parseSerialSettings(u" 115200 , e , 7 , 2 "), (SerialSettings{115200, Parity::Even, 7, StopBits::Two}));
    EXPECT_EQ(parseSerialSettings(u"4800,O,5,1.5"), (SerialSettings{4800, Parity::Odd, 5, StopBits::OneAndHalf}));
    for (const char16_t* bad : {u"", u"9600", u"9600,N,8", u"9600,N,8,1,0", u"9600,X,8,1", u"9600,N,9,1", u"9600,N,8,3",
                                u"-9600,N,8,1", u"96OO,N,8,1", u"9600,NN,8,1", u"９６００,N,8,1"}) {
        EXPECT_FALSE(parseSerialSettings(bad)) << toUtf8(bad);
    }
}

// The form used in log lines is the settings text itself: it parses back to the same settings.
TEST(SerialSettingsText, WrittenFormReadsBack)
{
    EXPECT_EQ(serialSettingsText(SerialSettings{}), "9600,N,8,1");
    EXPECT_EQ(serialSettingsText({4800, Parity::Odd, 5, StopBits::OneAndHalf}), "4800,O,5,1.5");
    for (const SerialSettings& s :
         {SerialSettings{115200, Parity::Even, 7, StopBits::Two}, SerialSettings{300, Parity::Mark, 6, StopBits::One},
          SerialSettings{57600, Parity::Space, 8, StopBits::OneAndHalf}}) {
        const std::string text = serialSettingsText(s);
        EXPECT_EQ(parseSerialSettings(Text(text.begin(), text.end())), s) << text;
    }
}

} // namespace
} // namespace ride
