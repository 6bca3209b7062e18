// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/text.h"

#include <gtest/gtest.h>

#include <random>

namespace ride {
namespace {

const Text kBad(1, u'\uFFFD');

TEST(GbkText, EncodesAndDecodesChinese)
{
    EXPECT_EQ(toGbk(u"配置"), "\xC5\xE4\xD6\xC3");
    EXPECT_EQ(fromGbk("\xC5\xE4\xD6\xC3"), u"配置");
    const Text mixed = u"[网络参数] 地址=192.168.1.1";
    EXPECT_EQ(fromGbk(toGbk(mixed)), mixed);
}

TEST(GbkText, CharactersOutsideGbkBecomeOneQuestionMark)
{
    EXPECT_EQ(toGbk(u"a한b"), "a?b");
    EXPECT_EQ(toGbk(u"a\U0001F600b"), "a?b"); // a surrogate pair is one character
    EXPECT_EQ(toGbk(Text(u"\xD800x")), "?x");
    EXPECT_EQ(toGbk(Text(u"x\xDC00")), "x?");
    EXPECT_EQ(toGbk(Text(u"x\xD800")), "x?");
}

TEST(GbkText, InvalidBytesBecomeReplacementCharacters)
{
    EXPECT_EQ(fromGbk("\xFF"
                      "b"),
              kBad + u"b");
    EXPECT_EQ(fromGbk("a\xC5"), u"a" + kBad); // lone lead byte at the end
    EXPECT_EQ(fromGbk(std::string("\xC5\0z", 3)), kBad + Text(1, u'\0') + u"z");
}

TEST(GbkText, StreamDecoderJoinsCharacterSplitBetweenPieces)
{
    GbkStreamDecoder decoder;
    EXPECT_EQ(decoder.feed("x\xC5"), u"x");
    EXPECT_TRUE(decoder.holdsPartialCharacter());
    EXPECT_EQ(decoder.feed("\xE4y"), u"配y");
    EXPECT_FALSE(decoder.holdsPartialCharacter());

    const std::string whole = toGbk(u"ab配置cd网络参数ef");
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        GbkStreamDecoder split;
        Text joined = split.feed(whole.substr(0, cut));
        joined += split.feed(whole.substr(cut));
        EXPECT_EQ(joined, u"ab配置cd网络参数ef") << "cut at " << cut;
    }
}

TEST(GbkText, StreamDecoderDoesNotHoldInvalidBytes)
{
    GbkStreamDecoder decoder;
    EXPECT_EQ(decoder.feed("\xFF"), kBad);
    EXPECT_FALSE(decoder.holdsPartialCharacter());
    EXPECT_EQ(decoder.feed("a"), u"a");
    decoder.feed("\xC5");
    decoder.reset();
    EXPECT_EQ(decoder.feed("a"), u"a");
}

// Any split of any byte stream decodes as the whole would, apart from a byte still held.
TEST(GbkText, RandomBytesDecodeTheSameInPiecesAsWhole)
{
    std::mt19937 random(20240601);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 64, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random());
        }
        GbkStreamDecoder decoder;
        Text pieces;
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t length = 1 + random() % 5;
            pieces += decoder.feed(std::string_view(bytes).substr(at, length));
            at += length;
        }
        if (decoder.holdsPartialCharacter()) {
            pieces += kBad;
        }
        ASSERT_EQ(pieces, fromGbk(bytes)) << "round " << round;
    }
}

TEST(Utf8Text, RoundTripsAndReplacesInvalidSequences)
{
    const Text text = u"配置.ini é \U0001F600";
    EXPECT_EQ(toUtf8(text), "\xE9\x85\x8D\xE7\xBD\xAE.ini \xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(fromUtf8(toUtf8(text)), text);
    EXPECT_EQ(toUtf8(Text(u"a\xD800")), "a\xEF\xBF\xBD");
    EXPECT_EQ(fromUtf8("\xC0\xAF"), kBad + kBad);            // overlong
    EXPECT_EQ(fromUtf8("\xED\xA0\x80"), kBad + kBad + kBad); // encoded surrogate
    EXPECT_EQ(fromUtf8("x\xE9\x85"), u"x" + kBad + kBad);    // cut short
    EXPECT_EQ(fromUtf8("\xF4\x90\x80\x80").size(), 4u);      // past U+10FFFF
}

} // namespace
} // namespace ride
