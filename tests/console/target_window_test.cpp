// SPDX-License-Identifier: GPL-3.0-or-later
// The target window guard: keys and (when asked) the pointer only while the focused window
// matches the installer's pattern, one refusal line a minute per focus holder, and no question
// to the display at all without a pattern.
#include "settings/profile_file.h"
#include "support/count_of.h"
#include "support/temp_dir.h"
#include "support/test_site.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

namespace ride {
namespace {

using namespace std::chrono_literals;

// Answers with whatever window the test put in focus, and counts the questions.
class FakeFocusedWindow : public FocusedWindowSource {
public:
    FocusedWindow focusedWindow() override
    {
        ++questions;
        return focused;
    }

    void focus(unsigned long id, std::optional<std::string> instance, std::optional<std::string> cls,
               std::optional<std::string> title)
    {
        focused = {FocusedWindow::Kind::Client, id, std::move(instance), std::move(cls), std::move(title)};
    }
    void focusNothing() { focused = {FocusedWindow::Kind::Nothing, 0, {}, {}, {}}; }

    FocusedWindow focused;
    int questions = 0;
};

int lines(const std::string& log)
{
    return testing::countOf(log, "\n");
}

// A console loaded from a settings file of the test's own, with the fake focused window.
class TargetWindowConsole : public ::testing::Test {
protected:
    void load(std::u16string_view pattern, std::u16string_view pointerToo = u"")
    {
        if (!pattern.empty()) {
            ASSERT_TRUE(WriteIni(dir / "配置.ini", u"控制界面", u"目标窗口", Text(pattern)));
        }
        if (!pointerToo.empty()) {
            ASSERT_TRUE(WriteIni(dir / "配置.ini", u"控制界面", u"目标窗口控制鼠标", Text(pointerToo)));
        }
        site = std::make_unique<testing::TestSite>(
            testing::SiteOptions{.settingsFile = dir / "配置.ini", .focusedWindow = &focused});
        form = &site->console();
    }

    void press(std::size_t key)
    {
        form->txtKey(key).setText(u"B");
        form->txtKey(key).setText(u"A");
    }

    void arrive(TextView text) { site->arrive(text); }
    RecordingKeystrokes& keys() { return site->keys(); }
    testing::FakeCursor& cursor() { return site->cursor(); }

    testing::TempDir dir;
    FakeFocusedWindow focused;
    std::unique_ptr<testing::TestSite> site;
    Form1* form = nullptr;
};

TEST_F(TargetWindowConsole, WithoutAPatternNothingIsAskedAndEverythingGoesThrough)
{
    load(u"", u"1");
    focused.focusNothing();
    press(0);
    arrive(u":::S=010xxx090xxxxxx,DIBABBBB.");
    EXPECT_EQ(keys().calls().size(), 2u);
    EXPECT_EQ(cursor().moves.size(), 1u);
    EXPECT_EQ(focused.questions, 0) << "no pattern, no round trip";
    EXPECT_FALSE(form->targetWindow().guardsKeys());
}

TEST_F(TargetWindowConsole, KeysAreTypedOnlyIntoAMatchingWindowAndThePointerStillMoves)
{
    load(u"roam*");
    EXPECT_TRUE(form->targetWindow().guardsKeys());
    EXPECT_FALSE(form->targetWindow().guardsPointer());

    focused.focus(7, "roamer", "Roamer", "Lake ride");
    press(0);
    EXPECT_EQ(keys().calls().size(), 1u);

    focused.focus(9, "xterm", "XTerm", "bash");
    ::testing::internal::CaptureStderr();
    arrive(u":::S=010xxx090xxxxxx,DIBABBBB."); // key 1 pressed by the bike
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(keys().calls().size(), 1u) << "not typed into the terminal";
    EXPECT_TRUE(log.ends_with(" warning console: TXTKEY(7): key string of 1 characters not typed: the focused window "
                              "(class \"xterm\" \"XTerm\", title \"bash\") does not match [控制界面] 目标窗口 "
                              "\"roam*\"\n"))
        << log;
    EXPECT_EQ(lines(log), 1) << log;
    // Decoding and the pointer go on.
    EXPECT_EQ(cursor().moves.size(), 1u);
    EXPECT_EQ(form->Label2.caption(), u":::S=010xxx090xxxxxx,DIBABBBB.");
    EXPECT_EQ(form->keyForwarding().stringsRefused(), 1u);

    // One question per key string, none per record without a key.
    const int asked = focused.questions;
    arrive(u":::S=010xxx090xxxxxx,DIBABBBB.");
    EXPECT_EQ(focused.questions, asked);
}

TEST_F(TargetWindowConsole, TheLogNamesTheLengthNotTheContent)
{
    load(u"roam*");
    form->txtKey(8).setText(u"secret{ENTER}");
    focused.focus(9, "xterm", "XTerm", "bash");
    ::testing::internal::CaptureStderr();
    press(2);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("TXTKEY(8): key string of 13 characters not typed"), std::string::npos) << log;
    EXPECT_EQ(log.find("secret"), std::string::npos) << log;
    EXPECT_TRUE(keys().calls().empty());
}

TEST_F(TargetWindowConsole, NothingFocusedAndWindowsWithoutNamesAreRefused)
{
    load(u"*");
    focused.focusNothing();
    ::testing::internal::CaptureStderr();
    press(0);
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("no window has the keyboard focus [控制界面] 目标窗口 \"*\""), std::string::npos) << log;

    focused.focus(3, std::nullopt, std::nullopt, std::nullopt);
    ::testing::internal::CaptureStderr();
    press(0);
    log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("(class none none, title none)"), std::string::npos) << log;

    focused.focused = {}; // the display could not be asked: refused rather than typed blindly
    ::testing::internal::CaptureStderr();
    press(0);
    log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("the focused window could not be found"), std::string::npos) << log;
    EXPECT_TRUE(keys().calls().empty());

    focused.focus(4, std::nullopt, std::nullopt, "untitled"); // a title alone is enough for "*"
    press(0);
    EXPECT_EQ(keys().calls().size(), 1u);
}

TEST_F(TargetWindowConsole, PointerWaitsToo_WhenSoSet)
{
    load(u"*Ride*", u"1");
    EXPECT_TRUE(form->targetWindow().guardsPointer());
    cursor().at = {5, 6};
    focused.focus(9, "nautilus", "Nautilus", "Home");
    ::testing::internal::CaptureStderr();
    arrive(u":::S=010xxx090xxxxxx,DIBBBBBB.");
    arrive(u":::S=020xxx090xxxxxx,DIBBBBBB.");
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(cursor().moves.empty()) << "the pointer stays where it is";
    EXPECT_EQ(cursor().at, (CursorPoint{5, 6}));
    EXPECT_EQ(form->Label3.caption(), u"速度:20") << "the record is still decoded and shown";
    EXPECT_EQ(lines(log), 1) << log;
    EXPECT_NE(log.find("warning console: pointer not moved: the focused window (class \"nautilus\""), std::string::npos)
        << log;

    focused.focus(7, "vr", "VR", "Virtual Ride");
    arrive(u":::S=010xxx090xxxxxx,DIBBBBBB.");
    EXPECT_EQ(cursor().moves, (std::vector<CursorPoint>{{512, 312}}));
}

TEST_F(TargetWindowConsole, PointerSettingOtherThanOneLeavesThePointerFree)
{
    load(u"*Ride*", u"2");
    EXPECT_FALSE(form->targetWindow().guardsPointer());
    focused.focus(9, "nautilus", "Nautilus", "Home");
    arrive(u":::S=010xxx090xxxxxx,DIBBBBBB.");
    EXPECT_EQ(cursor().moves.size(), 1u);
    EXPECT_EQ(focused.questions, 0) << "records without a pressed key ask nothing";
}

// The repeat rule, on the guard with a clock of the test's own.
class RefusalRepeat : public ::testing::Test {
protected:
    RefusalRepeat() : guard(&focused, [this] { return now; }) { guard.setSettings({u"roam*", true}); }

    std::string refuse(std::string_view box = "TXTKEY(6)")
    {
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(guard.allowsKeys(box, 3));
        return ::testing::internal::GetCapturedStderr();
    }

    FakeFocusedWindow focused;
    std::chrono::steady_clock::time_point now{std::chrono::hours(100)};
    TargetWindowGuard guard;
};

TEST_F(RefusalRepeat, OnceAMinuteWhileTheSameWindowKeepsTheFocus)
{
    focused.focus(9, "xterm", "XTerm", "bash");
    EXPECT_EQ(lines(refuse()), 1);
    now += 10s;
    EXPECT_EQ(refuse(), "");
    EXPECT_EQ(refuse("TXTKEY(9)"), "") << "any box, the same window";
    now += 49s;
    EXPECT_EQ(refuse(), "");
    now += 1s; // a minute after the last line
    const std::string again = refuse();
    EXPECT_EQ(lines(again), 1);
    EXPECT_NE(again.find("(3 more not typed since the last such line)"), std::string::npos) << again;
    now += 1s;
    EXPECT_EQ(refuse(), "");
}

TEST_F(RefusalRepeat, AnotherWindowOrAVisitToTheTargetStartsAfresh)
{
    focused.focus(9, "xterm", "XTerm", "bash");
    EXPECT_EQ(lines(refuse()), 1);
    focused.focus(10, "nautilus", "Nautilus", "Home");
    const std::string other = refuse();
    EXPECT_EQ(lines(other), 1);
    EXPECT_EQ(other.find("more not typed"), std::string::npos) << "the count belongs to the other window";

    focused.focus(7, "roamer", "Roamer", "Lake");
    EXPECT_TRUE(guard.allowsKeys("TXTKEY(6)", 3));
    focused.focus(10, "nautilus", "Nautilus", "Home");
    EXPECT_EQ(lines(refuse()), 1) << "the focus left and came back: news again";

    focused.focusNothing();
    EXPECT_EQ(lines(refuse()), 1);
    EXPECT_EQ(refuse(), "");
}

TEST_F(RefusalRepeat, PointerRefusalsAreCountedApartFromKeys)
{
    focused.focus(9, "xterm", "XTerm", "bash");
    EXPECT_EQ(lines(refuse()), 1);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(guard.allowsPointer());
    EXPECT_FALSE(guard.allowsPointer());
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(lines(log), 1) << log;
    EXPECT_NE(log.find("pointer not moved"), std::string::npos);
}

TEST(TargetWindowGuardWithoutSource, NeverGuards)
{
    TargetWindowGuard guard(nullptr);
    guard.setSettings({u"roam*", true});
    EXPECT_FALSE(guard.guardsKeys());
    EXPECT_TRUE(guard.allowsKeys("TXTKEY(6)", 1));
    EXPECT_TRUE(guard.allowsPointer());
}

} // namespace
} // namespace ride
