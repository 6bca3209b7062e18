// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the X11 keystroke and pointer backends against a private Xvfb and watches what a
// plain X client receives.
#include "base/scoped_environment.h"
#include "console/key_forwarding.h"
#include "input/key_notation.h"
#include "input/x11/x11_availability.h"
#include "input/x11/x11_cursor.h"
#include "input/x11/x11_display.h"
#include "input/x11/x11_input_focus.h"
#include "input/x11/x11_keystrokes.h"
#include "input/x11/x11_platform.h"
#include "support/xvfb_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/x11_probe.h"
#include "support/x11_suite.h"
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/keysym.h>
#include <poll.h>

namespace ride {
namespace {

// The console's twelve key boxes ("TXTKEY(0)".."TXTKEY(11)") and their forwarding, over a real
// backend: the path a bike key takes from its flag box to the X server.
class ForwardingRig {
public:
    explicit ForwardingRig(Keystrokes& keys)
    {
        for (std::size_t i = 0; i < boxes_.size(); ++i) {
            boxes_[i] = std::make_unique<TextBox>("TXTKEY(" + std::to_string(i) + ")", i < 6 ? u"B" : u"");
        }
        forwarding_ = std::make_unique<KeyForwarding>(boxes_, keys);
    }

    // Puts `keys` in the key string box of bike key `flag` (0..5) and presses that key.
    void press(std::size_t flag, std::u16string_view keys)
    {
        boxes_[flag + 6]->setText(Text(keys));
        boxes_[flag]->setText(u"B");
        boxes_[flag]->setText(u"A");
    }

private:
    std::array<std::unique_ptr<TextBox>, 12> boxes_;
    std::unique_ptr<KeyForwarding> forwarding_;
};

struct KeyEvent {
    bool press;
    unsigned keycode;
    unsigned state;
    KeySym sym;
    std::string text; // Latin-1, as XLookupString gives it
};

class X11Input : public testing::X11Suite<> {
protected:
    static void SetUpTestSuite()
    {
        X11Suite::SetUpTestSuite();
        if (!x) {
            return;
        }
        window_ = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 300, 200, 0, 0, 0);
        XSelectInput(x, window_, KeyPressMask | KeyReleaseMask | FocusChangeMask);
        XMapWindow(x, window_);
        XSync(x, False);
        display_ = new X11Display(xvfb->display());
        keys_ = new X11Keystrokes(*display_);
        cursor_ = new X11Cursor(*display_);
    }

    static void TearDownTestSuite()
    {
        delete std::exchange(keys_, nullptr);
        delete std::exchange(cursor_, nullptr);
        delete std::exchange(display_, nullptr);
        X11Suite::TearDownTestSuite();
    }

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(X11Suite::SetUp());
        setCapsLock(false);
        ASSERT_TRUE(testing::focusWindow(x, window_, RevertToPointerRoot));
    }

    // As a user does, long before the next key string: the backend's connection has the server's
    // notice of it by then.
    static void setCapsLock(bool on)
    {
        XkbLockModifiers(x, XkbUseCoreKbd, LockMask, on ? LockMask : 0);
        XSync(x, False);
        XSync(display_->get(), False);
    }

    static bool capsLockOn()
    {
        XkbStateRec state{};
        XkbGetState(x, XkbUseCoreKbd, &state);
        return state.locked_mods & LockMask;
    }

    static void send(Keystrokes& keys, std::u16string_view text)
    {
        const KeyParseResult parsed = parseKeys(text);
        ASSERT_TRUE(parsed.ok()) << parsed.error->message;
        const KeySendResult sent = keys.send(parsed.actions);
        EXPECT_TRUE(sent.typed()) << sent.failure.value_or("");
    }

    // Sends `keys`, then collects what arrived (see collectUntilMarker).
    static std::vector<KeyEvent> typeAndCollect(Keystrokes& keys, std::u16string_view text)
    {
        send(keys, text);
        return collectUntilMarker(keys);
    }

    // Sends F12 as an end marker through `keys` and returns the key events that arrived before
    // it. Waits at most two seconds.
    static std::vector<KeyEvent> collectUntilMarker(Keystrokes& keys)
    {
        send(keys, u"{F12}");
        std::vector<KeyEvent> events;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        for (;;) {
            while (XPending(x) > 0) {
                XEvent event;
                XNextEvent(x, &event);
                if (event.type == MappingNotify) {
                    pointerNotices_ += event.xmapping.request == MappingPointer ? 1 : 0;
                    XRefreshKeyboardMapping(&event.xmapping);
                    continue;
                }
                if (event.type != KeyPress && event.type != KeyRelease) {
                    continue;
                }
                char buffer[16] = {};
                KeySym sym = NoSymbol;
                const int length = XLookupString(&event.xkey, buffer, sizeof buffer, &sym, nullptr);
                if (sym == XK_F12) {
                    if (event.type == KeyRelease) {
                        return events;
                    }
                    continue;
                }
                events.push_back({event.type == KeyPress, event.xkey.keycode, event.xkey.state, sym,
                                  std::string(buffer, std::size_t(std::max(length, 0)))});
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                ADD_FAILURE() << "the end marker did not arrive";
                return events;
            }
            pollfd p{ConnectionNumber(x), POLLIN, 0};
            poll(&p, 1, int(left.count()));
        }
    }

    static std::vector<KeyEvent> typeAndCollect(std::u16string_view text) { return typeAndCollect(*keys_, text); }

    static std::string typed(const std::vector<KeyEvent>& events)
    {
        std::string text;
        for (const KeyEvent& e : events) {
            if (e.press) {
                text += e.text;
            }
        }
        return text;
    }

    // The presses of keys other than Shift, Control and Alt.
    static std::vector<KeyEvent> presses(const std::vector<KeyEvent>& events)
    {
        std::vector<KeyEvent> out;
        for (const KeyEvent& e : events) {
            if (e.press && !IsModifierKey(e.sym)) {
                out.push_back(e);
            }
        }
        return out;
    }

    static void expectEveryPressReleased(const std::vector<KeyEvent>& events)
    {
        std::map<unsigned, int> down;
        for (const KeyEvent& e : events) {
            down[e.keycode] += e.press ? 1 : -1;
        }
        for (const auto& [code, count] : down) {
            EXPECT_EQ(count, 0) << "keycode " << code;
        }
    }

    // Keycodes above 8 with no keysym, lowest first.
    static std::vector<unsigned> emptyKeycodes()
    {
        std::vector<unsigned> empty;
        for (unsigned code = 9; code <= 255; ++code) {
            if (!keycodeHasSymbols(code)) {
                empty.push_back(code);
            }
        }
        return empty;
    }

    static bool keycodeHasSymbols(unsigned code)
    {
        int perCode = 0;
        KeySym* syms = XGetKeyboardMapping(x, KeyCode(code), 1, &perCode);
        bool any = false;
        for (int i = 0; i < perCode; ++i) {
            any = any || syms[i] != NoSymbol;
        }
        XFree(syms);
        return any;
    }

    static inline Window window_ = 0;
    static inline X11Display* display_ = nullptr; // shared by keys_ and cursor_
    static inline X11Keystrokes* keys_ = nullptr;
    static inline X11Cursor* cursor_ = nullptr;
    // Pointer mapping notices seen by the probe client.
    static inline int pointerNotices_ = 0;
};

TEST_F(X11Input, PointerMovesWhereAskedAndStaysOnScreen)
{
    ASSERT_TRUE(cursor_->connected());
    cursor_->moveTo({100, 200});
    EXPECT_EQ(cursor_->position(), (CursorPoint{100, 200}));
    EXPECT_EQ(testing::pointerOn(x), (testing::ScreenPoint{100, 200})) << "as another client sees it";

    cursor_->moveTo({-50, 99999});
    EXPECT_EQ(cursor_->position(), (CursorPoint{0, 1023}));
    cursor_->moveTo({70000, -70000});
    EXPECT_EQ(cursor_->position(), (CursorPoint{1279, 0}));
}

// The motion step asks where the pointer stands and moves it on without waiting for the answer:
// each answer is where the pointer stood when asked, before the moves that followed, another
// client's move included, and they come in order.
TEST_F(X11Input, PointerAnswersComeLaterInOrderAsThePointerStoodWhenAsked)
{
    std::vector<CursorPoint> answers;
    const auto note = [&](CursorPoint at) { answers.push_back(at); };
    cursor_->moveTo({10, 20});
    cursor_->observe(note);
    EXPECT_EQ(cursor_->outstanding(), 1u) << "asked without waiting for the answer";
    cursor_->moveTo({30, 40});
    cursor_->observe(note);
    cursor_->moveTo({50, 60});
    // A question that waits: the earlier answers are handed out first.
    EXPECT_EQ(cursor_->position(), (CursorPoint{50, 60}));
    EXPECT_EQ(answers.size(), 2u);
    XWarpPointer(x, None, DefaultRootWindow(x), 0, 0, 0, 0, 700, 500); // the operator's hand
    XSync(x, False);
    cursor_->observe(note);
    cursor_->moveTo({50, 60});
    cursor_->settle();
    EXPECT_EQ(answers, (std::vector<CursorPoint>{{10, 20}, {30, 40}, {700, 500}}));
    EXPECT_EQ(cursor_->outstanding(), 0u);
    EXPECT_EQ(cursor_->position(), (CursorPoint{50, 60}));
}

TEST_F(X11Input, PlainTextArrivesWithShiftForCapitals)
{
    const auto events = typeAndCollect(u"abC1 ");
    EXPECT_EQ(typed(events), "abC1 ");
    const auto keys = presses(events);
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[0].sym, XK_a);
    EXPECT_FALSE(keys[0].state & ShiftMask);
    EXPECT_EQ(keys[2].sym, XK_C);
    EXPECT_TRUE(keys[2].state & ShiftMask);
    expectEveryPressReleased(events);
}

TEST_F(X11Input, ModifiersGroupsAndNamedKeys)
{
    EXPECT_EQ(typed(typeAndCollect(u"+(ec)d")), "ECd");

    const auto left = presses(typeAndCollect(u"{LEFT 3}~"));
    ASSERT_EQ(left.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(left[i].sym, XK_Left);
    }
    EXPECT_EQ(left[3].sym, XK_Return);

    const auto events = typeAndCollect(u"^a%{F4 0}%x{ADD}");
    const auto keys = presses(events);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].sym, XK_a);
    EXPECT_EQ(keys[0].state & (ControlMask | ShiftMask | Mod1Mask), unsigned(ControlMask));
    EXPECT_EQ(keys[1].sym, XK_x);
    EXPECT_EQ(keys[1].state & (ControlMask | ShiftMask | Mod1Mask), unsigned(Mod1Mask));
    EXPECT_EQ(keys[2].sym, XK_KP_Add);
    expectEveryPressReleased(events);
}

TEST_F(X11Input, CharactersMissingFromTheKeymapUseASpareKeycode)
{
    const std::vector<unsigned> empty = emptyKeycodes();
    ASSERT_GE(empty.size(), 2u);
    pointerNotices_ = 0;
    const auto events = typeAndCollect(u"中é中");
    const auto keys = presses(events);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].sym, KeySym(0x1004E2D));
    EXPECT_EQ(keys[1].sym, KeySym(XK_eacute));
    EXPECT_EQ(keys[2].keycode, keys[0].keycode); // the binding is reused within a string
    // The lowest empty keycodes, the ones Wine gives a virtual key to; every client is told.
    EXPECT_EQ(keys[0].keycode, empty[0]);
    EXPECT_EQ(keys[1].keycode, empty[1]);
    EXPECT_GE(pointerNotices_, 1) << "Wine learns of the new keycodes from a pointer mapping notice";
    expectEveryPressReleased(events);
    EXPECT_TRUE(keys_->holdsBindings());

    // Held for the next string: no keymap change, no notice.
    pointerNotices_ = 0;
    const auto again = presses(typeAndCollect(u"é"));
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].keycode, keys[1].keycode);
    EXPECT_EQ(pointerNotices_, 0);

    keys_->restoreKeymap();
    typeAndCollect(u""); // the marker makes sure the server has handled the restore
    EXPECT_FALSE(keys_->holdsBindings());
    EXPECT_FALSE(keycodeHasSymbols(keys[0].keycode));
    EXPECT_FALSE(keycodeHasSymbols(keys[1].keycode));
}

// The backend keeps the keymap between strings; a change someone else makes (a layout switch)
// reaches it by the server's notice: the next string uses the new keymap.
TEST_F(X11Input, KeymapChangedByAnotherClientIsUsedByTheNextString)
{
    EXPECT_EQ(typed(typeAndCollect(u"a")), "a"); // the keymap is read
    const unsigned code = emptyKeycodes().at(2);
    KeySym eacute[2] = {XK_eacute, XK_Eacute};
    XChangeKeyboardMapping(x, int(code), 2, eacute, 1);
    XSync(x, False);
    XSync(display_->get(), False); // long before the next string, as a user's switch is
    pointerNotices_ = 0;
    const auto keys = presses(typeAndCollect(u"é"));
    KeySym none[2] = {NoSymbol, NoSymbol};
    XChangeKeyboardMapping(x, int(code), 2, none, 1);
    XSync(x, False);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].keycode, code) << "typed through the keymap's own key, nothing lent";
    EXPECT_EQ(pointerNotices_, 0);
    EXPECT_FALSE(keys_->holdsBindings());
}

TEST_F(X11Input, ExpiredBindingsAreGivenBackByTheNextSend)
{
    X11Keystrokes keys(*display_, std::chrono::milliseconds(0));
    const auto first = presses(typeAndCollect(keys, u"文"));
    ASSERT_EQ(first.size(), 1u);
    EXPECT_FALSE(keys.holdsBindings()); // the marker send already took it back
    EXPECT_FALSE(keycodeHasSymbols(first[0].keycode));
}

TEST_F(X11Input, PeriodicRestoreGivesBackOnlyBindingsPastTheirLifetime)
{
    X11Keystrokes keys(*display_, std::chrono::milliseconds(300));
    const auto first = presses(typeAndCollect(keys, u"文"));
    ASSERT_EQ(first.size(), 1u);
    keys.restoreExpiredBindings();
    EXPECT_TRUE(keys.holdsBindings()) << "a fresh binding must outlive the reader's lookup";
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    keys.restoreExpiredBindings();
    EXPECT_FALSE(keys.holdsBindings());
    typeAndCollect(keys, u"");
    EXPECT_FALSE(keycodeHasSymbols(first[0].keycode));
}

TEST_F(X11Input, KeyWithoutAFreeKeycodeIsLeftOutWithOneLogLineAndTheRestTyped)
{
    // Every empty keycode taken by another client.
    const std::vector<unsigned> empty = emptyKeycodes();
    for (const unsigned code : empty) {
        KeySym filler[2] = {0x1002000 + code, 0x1002000 + code};
        XChangeKeyboardMapping(x, int(code), 2, filler, 1);
    }
    XSync(x, False);
    X11Display connection(xvfb->display());
    X11Keystrokes keys(connection);
    ::testing::internal::CaptureStderr();
    const auto first = typeAndCollect(keys, u"a中b");
    const auto second = typeAndCollect(keys, u"中c");
    const std::string err = ::testing::internal::GetCapturedStderr();
    for (const unsigned code : empty) {
        KeySym none[2] = {NoSymbol, NoSymbol};
        XChangeKeyboardMapping(x, int(code), 2, none, 1);
    }
    XSync(x, False);

    EXPECT_EQ(typed(first), "ab");
    EXPECT_EQ(typed(second), "c");
    expectEveryPressReleased(first);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(" warning keys: \"中\" (U+4E2D) is not typed: the keymap has no free keycode left to lend it "
                       "(0 are lent to other characters); the rest of the key string is typed\n"),
              std::string::npos)
        << err;
}

TEST_F(X11Input, CapsLockDoesNotChangeWhatArrives)
{
    setCapsLock(true);
    const auto events = typeAndCollect(u"aB+c1");
    EXPECT_EQ(typed(events), "aBC1");
    expectEveryPressReleased(events);
    EXPECT_TRUE(capsLockOn());

    // An explicit {CAPSLOCK} acts on the user's state: here it turns Caps Lock off.
    EXPECT_EQ(typed(typeAndCollect(u"{CAPSLOCK}a")), "a");
    EXPECT_FALSE(capsLockOn());
    EXPECT_EQ(typed(typeAndCollect(u"{CAPSLOCK}a")), "A");
    EXPECT_TRUE(capsLockOn());
}

TEST_F(X11Input, ForwardedStringArrivesAndABadOneSendsNothingAndNamesTheBox)
{
    ForwardingRig rig(*keys_);
    rig.press(1, u"+ab~");
    const auto good = presses(collectUntilMarker(*keys_));
    ASSERT_EQ(good.size(), 3u);
    EXPECT_EQ(good[0].sym, XK_A);
    EXPECT_EQ(good[1].sym, XK_b);
    EXPECT_EQ(good[2].sym, XK_Return);

    ::testing::internal::CaptureStderr();
    rig.press(0, u"ab{LEFT");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(collectUntilMarker(*keys_).empty());
    EXPECT_NE(err.find("TXTKEY(6): key string \"ab{LEFT\" not typed: unclosed brace at 3\n"), std::string::npos) << err;
}

TEST_F(X11Input, ProtocolErrorsOnAnOwnConnectionAreCountedNotFatal)
{
    X11Display own(xvfb->display());
    ASSERT_TRUE(own.isOpen());
    EXPECT_EQ(own.shownName(), xvfb->display());
    EXPECT_EQ(own.errorCount(), 0);
    XFreePixmap(own.get(), 0x1234567); // no such pixmap
    XSync(own.get(), False);
    EXPECT_EQ(own.errorCount(), 1);
    EXPECT_EQ(own.lastErrorCode(), BadPixmap);

    // Connections count only their own errors.
    X11Display other(xvfb->display());
    XSync(other.get(), False);
    EXPECT_EQ(other.errorCount(), 0);
    own.close();
    EXPECT_FALSE(own.isOpen());
    EXPECT_EQ(own.errorCount(), 0);
}

// The clients the server has now, by its X-Resource extension.
int serverClients(Display* display)
{
    int count = -1;
    XResClient* clients = nullptr;
    if (XResQueryClients(display, &count, &clients) == 0) {
        return -1;
    }
    XFree(clients);
    return count;
}

TEST_F(X11Input, OnePlatformConnectionCarriesPointerKeysFocusAndFocusedWindow)
{
    const int before = serverClients(x);
    ASSERT_GT(before, 0);
    X11Platform x11(xvfb->display(), std::chrono::milliseconds(300));
    ASSERT_TRUE(x11.connected());

    x11.cursor().moveTo({321, 123});
    EXPECT_EQ(x11.cursor().position(), (CursorPoint{321, 123}));
    EXPECT_EQ(typed(typeAndCollect(x11.keys(), u"ok")), "ok");
    XSetInputFocus(x, PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(x, False);
    EXPECT_TRUE(x11.inputFocus()->giveTo(window_));
    EXPECT_EQ(x11.inputFocus()->current(), window_);
    const FocusedWindow focused = x11.focusedWindow()->focusedWindow();
    EXPECT_EQ(focused.kind, FocusedWindow::Kind::Client);
    EXPECT_EQ(focused.id, window_);
    EXPECT_EQ(serverClients(x), before + 1);

    // The keymap restore is the platform's upkeep: a borrowed keycode outlives a run that comes
    // too soon, and is given back by one after its lifetime.
    std::vector<Upkeep> upkeep = x11.upkeep();
    ASSERT_EQ(upkeep.size(), 1u);
    EXPECT_EQ(upkeep[0].name, "keymap restore");
    EXPECT_EQ(upkeep[0].period, std::chrono::milliseconds(1000));
    const auto borrowed = presses(typeAndCollect(x11.keys(), u"文"));
    ASSERT_EQ(borrowed.size(), 1u);
    upkeep[0].run();
    EXPECT_TRUE(keycodeHasSymbols(borrowed[0].keycode));
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    upkeep[0].run();
    typeAndCollect(*keys_, u""); // the marker makes sure the server has handled the restore
    EXPECT_FALSE(keycodeHasSymbols(borrowed[0].keycode));
}

TEST_F(X11Input, AnErrorOfAnotherPartOnTheSharedConnectionIsNotCountedAsOwn)
{
    X11InputFocus focus(*display_);
    const int errorsBefore = display_->errorCount();
    XFreePixmap(display_->get(), 0x1234567); // no such pixmap; its error arrives later
    XSetInputFocus(x, PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(x, False);
    EXPECT_TRUE(focus.giveTo(window_));
    EXPECT_EQ(display_->errorCount(), errorsBefore + 1);
}

TEST_F(X11Input, TheEnvironmentTellsWhetherTheDisplayCanCarryPointerAndKeys)
{
    testing::XvfbServer bare(640, 480, "XTEST");
    ASSERT_TRUE(bare.running()) << bare.error();
    using State = X11Availability::State;
    const std::string ours = xvfb->display();
    const struct {
        DisplayEnvironment environment;
        State state;
        bool wayland;
    } cases[] = {
        {{nullptr, nullptr, nullptr}, State::DisplayUnset, false},
        {{"", nullptr, "x11"}, State::DisplayUnset, false},
        {{nullptr, "wayland-0", "wayland"}, State::WaylandOnly, true},
        {{"/nonexistent/socket:0", nullptr, nullptr}, State::Unreachable, false},
        {{bare.display().c_str(), nullptr, nullptr}, State::NoXTest, false},
        {{ours.c_str(), nullptr, "x11"}, State::Usable, false},
        {{ours.c_str(), "wayland-0", nullptr}, State::Usable, true}, // XWayland
    };
    for (const auto& c : cases) {
        const X11Availability got = inspectX11Display(c.environment);
        const std::string shown = c.environment.display ? c.environment.display : "(unset)";
        EXPECT_EQ(got.state, c.state) << shown;
        EXPECT_EQ(got.waylandSession, c.wayland) << shown;
        EXPECT_EQ(got.usable(), c.state == State::Usable) << shown;
        EXPECT_EQ(got.display, c.state == State::DisplayUnset || c.state == State::WaylandOnly ? "" : shown);
    }
}

TEST(X11WithoutDisplay, RefusesEverySendAndTheForwardingLogsWhy)
{
    ::testing::internal::CaptureStderr();
    X11Display nowhere("/nonexistent/socket:0");
    X11Cursor cursor(nowhere);
    X11Keystrokes keys(nowhere);
    cursor.moveTo({5, 5});
    const KeySendResult some = keys.send({KeyAction::character('a')});
    const KeySendResult none = keys.send({});
    ForwardingRig rig(keys);
    rig.press(4, u"abc");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(cursor.connected());
    EXPECT_FALSE(keys.connected());
    EXPECT_EQ(cursor.position(), (CursorPoint{0, 0}));
    EXPECT_EQ(some.failure, "no X display");
    EXPECT_EQ(none.failure, "no X display");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 3) << err;
    EXPECT_NE(err.find("cursor: cannot open X display \"/nonexistent/socket:0\"; the pointer will not move\n"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("keys: cannot open X display \"/nonexistent/socket:0\"; key strings will not be typed\n"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("keys: TXTKEY(10): key string \"abc\" not typed: no X display\n"), std::string::npos) << err;
}

TEST(X11WithoutDisplay, EmptyNameMeansDisplayVariable)
{
    ScopedEnvironment environment;
    environment.set("DISPLAY", "/nonexistent/socket:1");
    ::testing::internal::CaptureStderr();
    {
        X11Display display("");
        EXPECT_FALSE(display.isOpen());
        EXPECT_EQ(display.shownName(), "$DISPLAY");
        X11Cursor cursor(display);
    }
    const std::string err = ::testing::internal::GetCapturedStderr();
    environment.restore();
    EXPECT_NE(err.find(" error cursor: cannot open X display \"$DISPLAY\"; the pointer will not move\n"),
              std::string::npos)
        << err;
}

} // namespace
} // namespace ride
