// SPDX-License-Identifier: GPL-3.0-or-later
// The real executable fed through a pseudo-terminal on a virtual X server: where the X server
// puts the pointer for each record, and what a focused X client of the test's own receives
// when a bike key is pressed.
#include "e2e/console_suite.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace ride {
namespace {

using namespace std::chrono_literals;
using testing::ScreenPoint;
// Several serial poll intervals: pieces written this far apart arrive in separate polls.
constexpr auto kBetweenArrivals = 150ms;

struct PressedKey {
    KeySym sym = NoSymbol;
    unsigned state = 0;
};

class PointerAndKeys : public testing::ConsoleSuite<::testing::Test, true> {
protected:
    static void SetUpTestSuite()
    {
        ConsoleSuite::SetUpTestSuite();
        ASSERT_NE(x, nullptr);
        // Stands in for the roaming program: a plain window that takes the keyboard focus.
        window = XCreateSimpleWindow(x, DefaultRootWindow(x), 900, 700, 300, 200, 0, 0, 0);
        XSelectInput(x, window, KeyPressMask | KeyReleaseMask);
        XMapWindow(x, window);
        XSync(x, False);
    }

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ConsoleSuite::SetUp());
        plugInSerialLine();
        XWarpPointer(x, None, DefaultRootWindow(x), 0, 0, 0, 0, 3, 3);
        XSync(x, False);
        // The console is shown at the end of its loading, after the serial port was opened.
        ASSERT_TRUE(app->startShown(10s)) << "no console window";
    }

    void arrive(std::string_view text) { pty->write(text); }

    static ScreenPoint pointer() { return testing::pointerOn(x); }

    static bool pointerReaches(ScreenPoint where, std::chrono::milliseconds timeout = 3s)
    {
        return testing::waitUntil([&] { return pointer() == where; }, timeout);
    }

    // The pointer stands where it is for the whole of `period`.
    static bool pointerStays(ScreenPoint where, std::chrono::milliseconds period = kBetweenArrivals)
    {
        return !testing::waitUntil([&] { return !(pointer() == where); }, period);
    }

    // Gives the test's window the keyboard focus and forgets what it received so far.
    static void focusOwnWindow()
    {
        ASSERT_TRUE(testing::focusWindow(x, window, RevertToPointerRoot))
            << "the test window did not get the keyboard focus";
    }

    // The next press of a key other than a modifier on the test's window.
    static std::optional<PressedKey> nextKeyPress(std::chrono::milliseconds timeout = 3s)
    {
        KeySym sym = NoSymbol;
        const auto press = testing::nextEvent(
            x,
            [&](XEvent& event) {
                char buffer[16] = {};
                return event.type == KeyPress &&
                       (XLookupString(&event.xkey, buffer, sizeof buffer, &sym, nullptr), !IsModifierKey(sym));
            },
            timeout);
        return press ? std::optional(PressedKey{sym, press->xkey.state}) : std::nullopt;
    }

    static void expectShifted(const std::optional<PressedKey>& key, KeySym sym, const char* what)
    {
        ASSERT_TRUE(key) << what << ": no key arrived";
        EXPECT_EQ(key->sym, sym) << what << ": got " << (XKeysymToString(key->sym) ? XKeysymToString(key->sym) : "?");
        EXPECT_TRUE(key->state & ShiftMask) << what << ": a capital letter comes with shift";
    }

    static inline Window window = 0;
};

TEST_F(PointerAndKeys, EachRecordPutsThePointerWhereSteeringAndSpeedSay)
{
    arrive(":::S=010xxx090xxxxxx,DIBBBBBB.");
    EXPECT_TRUE(pointerReaches({512, 312})) << pointer();

    arrive(":::S=010xxx045xxxxxx,DIBBBBBB.");
    EXPECT_TRUE(pointerReaches({768, 312})) << pointer();

    arrive(":::S=020xxx135xxxxxx,DIBBBB."); // 28 characters
    EXPECT_TRUE(pointerReaches({256, 240})) << pointer();

    arrive(":::S=000xxx000xxxxxx,DIBBBBBB.");
    EXPECT_TRUE(pointerReaches({1024, 384})) << pointer();

    arrive("noise:::S=005xxx180xxxxxx,DIBBBBBB."); // text before the marker is ignored
    EXPECT_TRUE(pointerReaches({0, 348})) << pointer();

    arrive(":::S=060xxx270xxxxxx,DIBBBBBB."); // X -512 and Y 0: the server keeps it on screen
    EXPECT_TRUE(pointerReaches({0, 0})) << pointer();
    arrive(":::S=-10xxx-90xxxxxx,DIBBBBBB."); // X 1536 is beyond the 1280-pixel screen
    EXPECT_TRUE(pointerReaches({1279, 456})) << pointer();
}

TEST_F(PointerAndKeys, GarbledRecordHoldsBackGoodOnesUntilTheSerialPollEmptiesTheBox)
{
    arrive(":::S=010xxx090xxxxxx,DIBBBBBB.");
    ASSERT_TRUE(pointerReaches({512, 312})) << pointer();

    // The end mark at distance 8 decodes nothing, and this first marker keeps every later
    // record in the box from being decoded: 9 + 30 + 30 + 30 characters stay, the fourth good
    // record makes 129 and the poll empties the box, that record with it.
    arrive(":::S=012.");
    std::this_thread::sleep_for(kBetweenArrivals);
    const char* const heldBack[] = {
        ":::S=010xxx000xxxxxx,DIBBBBBB.",
        ":::S=010xxx135xxxxxx,DIBBBBBB.",
        ":::S=010xxx180xxxxxx,DIBBBBBB.",
        ":::S=010xxx000xxxxxx,DIBBBBBB.",
    };
    for (const char* record : heldBack) {
        arrive(record);
        EXPECT_TRUE(pointerStays({512, 312})) << "decoded " << record << ": " << pointer();
    }

    // The box is empty again: the next record is decoded.
    arrive(":::S=010xxx045xxxxxx,DIBBBBBB.");
    EXPECT_TRUE(pointerReaches({768, 312})) << pointer();
}

TEST_F(PointerAndKeys, BikeKeyTypesItsStringIntoTheFocusedWindowOncePerPress)
{
    // Qt may still be settling its own windows; the focus must be the test window's when
    // the keys arrive.
    std::this_thread::sleep_for(300ms);
    ASSERT_NO_FATAL_FAILURE(focusOwnWindow());

    arrive(":::S=010xxx090xxxxxx,DIBBBBBB.");
    ASSERT_TRUE(pointerReaches({512, 312})) << pointer();

    arrive(":::S=010xxx045xxxxxx,DIABBBBB."); // key 1 pressed: "A"
    ASSERT_TRUE(pointerReaches({768, 312})) << pointer();
    expectShifted(nextKeyPress(), XK_A, "key 1");

    // Held down over several records: nothing more is typed. Key 6 ("F") then marks the end of
    // what these records typed.
    arrive(":::S=010xxx090xxxxxx,DIABBBBB.");
    ASSERT_TRUE(pointerReaches({512, 312})) << pointer();
    arrive(":::S=010xxx045xxxxxx,DIABBBBB.");
    ASSERT_TRUE(pointerReaches({768, 312})) << pointer();
    arrive(":::S=010xxx090xxxxxx,DIABBBBA.");
    ASSERT_TRUE(pointerReaches({512, 312})) << pointer();
    expectShifted(nextKeyPress(), XK_F, "key 6 after key 1 was held");

    // Released and pressed again: typed again.
    arrive(":::S=010xxx045xxxxxx,DIBBBBBB.");
    ASSERT_TRUE(pointerReaches({768, 312})) << pointer();
    arrive(":::S=010xxx090xxxxxx,DIABBBBB.");
    ASSERT_TRUE(pointerReaches({512, 312})) << pointer();
    expectShifted(nextKeyPress(), XK_A, "key 1 pressed again");

    EXPECT_FALSE(nextKeyPress(300ms)) << "a key arrived that no flag change asked for";
}

// The state display tells the operator that the pointer had to be moved sideways: here because
// someone keeps moving the mouse while the bike steers straight on. Left alone, it goes back to
// the linked state.
TEST_F(PointerAndKeys, MouseMovedByHandShowsManualStateUntilLeftAlone)
{
    const std::string console = "Rovika支持鼠标和键盘171013A";
    const auto state = [&] {
        const testing::AccessibleTree tree = app->accessibleTree({console});
        const testing::AccessibleElement* label = tree.named(console, "lbl联动状态手动状态");
        return label ? label->name : "(no state label)\n" + tree.dump();
    };
    arrive(":::S=010xxx090xxxxxx,DIBBBBBB.");
    ASSERT_TRUE(pointerReaches({512, 312})) << pointer();
    std::this_thread::sleep_for(1200ms); // ten ticks of the state timer and more
    EXPECT_EQ(state(), "联动状态");

    // A hand on the mouse, beside the bike's steady records, until the state has been read.
    std::atomic<bool> done = false;
    std::thread hand([&] {
        Display* own = XOpenDisplay(xvfb->display().c_str());
        for (int i = 0; own && !done; ++i) {
            XWarpPointer(own, None, DefaultRootWindow(own), 0, 0, 0, 0, i % 2 ? 100 : 200, 600);
            XSync(own, False);
            arrive(":::S=010xxx090xxxxxx,DIBBBBBB.");
            std::this_thread::sleep_for(kBetweenArrivals);
        }
        if (own) {
            XCloseDisplay(own);
        }
    });
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(state(), "手动调试");
    done = true;
    hand.join();

    ASSERT_TRUE(pointerReaches({512, 312})) << pointer();
    std::this_thread::sleep_for(1200ms);
    arrive(":::S=010xxx090xxxxxx,DIBBBBBB."); // steady, untouched: nothing to restart
    std::this_thread::sleep_for(kBetweenArrivals);
    EXPECT_EQ(state(), "联动状态");
}

TEST_F(PointerAndKeys, RecordInPiecesTypesItsKeyBeforeThePointerMoves)
{
    std::this_thread::sleep_for(300ms);
    ASSERT_NO_FATAL_FAILURE(focusOwnWindow());
    arrive(":::S=010xxx090xxxxxx,DIBBBBBB.");
    ASSERT_TRUE(pointerReaches({512, 312})) << pointer();

    arrive(":::S=01");
    EXPECT_TRUE(pointerStays({512, 312})) << pointer();

    // The key block is complete before the end mark: the key is typed at once.
    arrive("2xxx045xxxxxx,DIA");
    expectShifted(nextKeyPress(), XK_A, "key 1 from the second piece");
    EXPECT_TRUE(pointerStays({512, 312})) << "moved before the end mark: " << pointer();

    arrive("BBBBB.");
    EXPECT_TRUE(pointerReaches({768, 298})) << pointer(); // speed 12: 384 - 86.4

    // The third piece copied the same "A" again: nothing was typed for it. Key 6 marks the end.
    arrive(":::S=012xxx090xxxxxx,DIABBBBA.");
    ASSERT_TRUE(pointerReaches({512, 298})) << pointer();
    expectShifted(nextKeyPress(), XK_F, "key 6 after the pieces");
}

} // namespace
} // namespace ride
