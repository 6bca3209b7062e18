// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/numeric_value.h"

#include <gtest/gtest.h>

#include <limits>

namespace ride {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(NumericValue, ReadsTheLeadingNumber)
{
    const struct {
        const char16_t* text;
        double value;
    } cases[] = {
        {u"640", 640},     {u"12abc", 12},
        {u"1.5.3", 1.5},   {u"1e", 1},
        {u"1e+", 1},       {u"-", 0},
        {u"", 0},          {u"abc", 0},
        {u".5", 0.5},      {u"5.", 5},
        {u".", 0},         {u"+7", 7},
        {u"-7.25", -7.25}, {u"1E+3", 1000},
        {u"2e-2", 0.02},   {u"7.2", 7.2},
        {u"1 2", 12},      {u" 7A", 7},
        {u"\t-\n3", -3},   {u"1 e 3", 1000},
        {u"+-1", 0},       {u"1,5", 1},
        {u"１２", 0},      {u"3中", 3},
        {u"&HFF", 255},    {u"&hff", 255},
        {u"&H", 0},        {u"&HFFFF", 65535},
        {u" &H 1 0x", 16}, {u"&HG", 0},
        {u"-&H10", 0},     {u"&", 0},
        {u"1e400", kInf},  {u"-1e400", -kInf},
        {u"1e-400", 0},    {u"0e999999", 0},
        {u"0.0001e4", 1},  {u"1e99999999999999999999", kInf},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(numericValue(c.text), c.value) << toUtf8(c.text);
    }
}

// A text reads as 0 either way; only one of them holds a number that says so.
TEST(NumericValue, TellsANumberFromNone)
{
    for (const char16_t* text : {u"0", u"-.0", u" 0 px", u"+0e5", u"&H0", u"&h 00", u"0\r1"}) {
        EXPECT_TRUE(hasLeadingNumber(text)) << toUtf8(text);
        EXPECT_EQ(numericValue(text), 0) << toUtf8(text);
    }
    for (const char16_t* text : {u"", u"abc", u".", u"-", u"+-1", u"&H", u"&HG", u"-&H1", u"１", u"\r1", u"e5"}) {
        EXPECT_FALSE(hasLeadingNumber(text)) << toUtf8(text);
        EXPECT_EQ(numericValue(text), 0) << toUtf8(text);
    }
    EXPECT_TRUE(hasLeadingNumber(u"1e400"));
}

// Only spaces, tabs and line feeds are blanks; a carriage return ends the number like a letter.
TEST(NumericValue, CarriageReturnIsNotABlank)
{
    const struct {
        const char16_t* text;
        double value;
    } cases[] = {
        {u"1\r2", 1}, {u"\r12", 0}, {u"12\r\n", 12}, {u"-\r3", 0}, {u"&H1\r0", 1}, {u"1e\r3", 1}, {u"1\n2", 12},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(numericValue(c.text), c.value) << toUtf8(c.text);
    }
}

// A setting that is not a finite number gets the reader's fallback; every finite value, 0 and
// texts without a number included, passes through (times the scale).
TEST(NumericSetting, OnlyNonFiniteValuesGetTheFallback)
{
    const struct {
        const char16_t* text;
        double scale;
        double value;
    } cases[] = {
        {u"640", 1, 640},   {u"100", 15, 1500},
        {u"-20", 15, -300}, {u"", 1, 0},
        {u"abc", 1, 0},     {u"0", 1, 0},
        {u"1E400", 1, -1},  {u"-1E400", 15, -1},
        {u"1E308", 15, -1}, {u"1E300", 15, 1.5e301},
        {u"&HFF", 1, 255},  {u"1e99999999999999999999", 1, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(numericSetting(c.text, -1, c.scale), c.value) << toUtf8(c.text) << " times " << c.scale;
    }
    EXPECT_EQ(numericSetting(u"1E400", 7.2), 7.2);
}

TEST(NumericRounding, RoundsHalfToEven)
{
    const struct {
        double value;
        std::int32_t rounded;
    } cases[] = {
        {2.5, 2},     {3.5, 4},  {-2.5, -2}, {-3.5, -4},        {384.5, 384},
        {385.5, 386}, {0.5, 0},  {1.5, 2},   {2.4, 2},          {2.6, 3},
        {-2.6, -3},   {-0.4, 0}, {7.2, 7},   {1e9, 1000000000}, {2147483647.4, 2147483647},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(roundToInt32(c.value), c.rounded) << c.value;
        EXPECT_EQ(toInt32(c.value), c.rounded) << c.value;
    }
    EXPECT_EQ(toInt16(32767.4), 32767);
    EXPECT_EQ(toInt16(-32768.5), -32768);
    EXPECT_EQ(toInt16(-2.5), -2);
}

TEST(NumericRounding, ReportsValuesOutOfRange)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double value : {32767.5, -32768.6, 40000.0, 1e20, kInf, -kInf, nan}) {
        EXPECT_FALSE(roundToInt16(value)) << value;
        EXPECT_THROW(toInt16(value), NumberOutOfRange) << value;
    }
    for (double value : {2147483647.5, -2147483649.0, 1e300, kInf, -kInf, nan}) {
        EXPECT_FALSE(roundToInt32(value)) << value;
        EXPECT_THROW(toInt32(value), NumberOutOfRange) << value;
    }
    try {
        toInt16(40000);
        FAIL() << "40000 fits no 16-bit integer";
    } catch (const NumberOutOfRange& e) {
        EXPECT_NE(std::string(e.what()).find("40000"), std::string::npos) << e.what();
    }
}

TEST(NumericText, ShortestDecimalReadsBackExactly)
{
    const struct {
        double value;
        const char16_t* text;
    } cases[] = {
        {7.2, u"7.2"},      {12.0, u"12"},
        {-512, u"-512"},    {0.5, u"0.5"},
        {0.0, u"0"},        {-0.0, u"0"},
        {1e20, u"1E+20"},   {-1e20, u"-1E+20"},
        {1e15, u"1E+15"},   {999999999999999, u"999999999999999"},
        {1e-5, u"0.00001"}, {1.5e-6, u"1.5E-06"},
        {1e100, u"1E+100"}, {0.1 + 0.2, u"0.30000000000000004"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shortestDecimal(c.value), c.text) << c.value;
    }
    for (double value : {7.2, 1.0 / 3, -1e-7, 123456.789, 1.7976931348623157e308, 5e-324}) {
        EXPECT_EQ(numericValue(shortestDecimal(value)), value) << value;
    }
}

} // namespace
} // namespace ride
