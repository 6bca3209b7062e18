// SPDX-License-Identifier: GPL-3.0-or-later
// How ride-target writes down the keys it receives, which is what installers and the
// end-to-end test compare against the console's key strings.
#include "ride_target/key_text.h"

#include <gtest/gtest.h>

namespace ride::target {
namespace {

std::string describe(int key, Qt::KeyboardModifiers modifiers, const char* text)
{
    return describeKey(key, modifiers, QString::fromUtf8(text)).toStdString();
}

TEST(KeyText, TypedCharactersAreWrittenAsTheCharacter)
{
    EXPECT_EQ(describe(Qt::Key_A, Qt::ShiftModifier, "A"), "A");
    EXPECT_EQ(describe(Qt::Key_A, Qt::NoModifier, "a"), "a");
    EXPECT_EQ(describe(Qt::Key_Exclam, Qt::ShiftModifier, "!"), "!");
    EXPECT_EQ(describe(Qt::Key_7, Qt::KeypadModifier, "7"), "7");
}

TEST(KeyText, OtherKeysAreWrittenByNameWithTheirModifiers)
{
    EXPECT_EQ(describe(Qt::Key_Return, Qt::NoModifier, "\r"), "Return");
    EXPECT_EQ(describe(Qt::Key_Space, Qt::NoModifier, " "), "Space");
    EXPECT_EQ(describe(Qt::Key_F5, Qt::NoModifier, ""), "F5");
    EXPECT_EQ(describe(Qt::Key_C, Qt::ControlModifier, "\x03"), "Ctrl+C");
    EXPECT_EQ(describe(Qt::Key_F4, Qt::AltModifier, ""), "Alt+F4");
    EXPECT_EQ(describe(Qt::Key_Left, Qt::ShiftModifier, ""), "Shift+Left");
}

TEST(KeyText, ModifierPressedAloneIsNotAKeyOfItsOwn)
{
    EXPECT_EQ(describe(Qt::Key_Shift, Qt::ShiftModifier, ""), "");
    EXPECT_EQ(describe(Qt::Key_Control, Qt::ControlModifier, ""), "");
    EXPECT_EQ(describe(0, Qt::NoModifier, ""), "");
}

} // namespace
} // namespace ride::target
