// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/x11/x11_keystrokes.h"

#include "base/log.h"
#include "input/x11/key_plan.h"
#include "input/x11/x11_display.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace ride {
namespace {

using Clock = std::chrono::steady_clock;

// Every key pressed through it is released, also when typing stops half-way.
class HeldKeys {
public:
    explicit HeldKeys(Display* display) : display_(display) {}
    ~HeldKeys()
    {
        while (!held_.empty()) {
            release(held_.back());
        }
    }
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;

    void press(KeyCode code)
    {
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        held_.push_back(code);
    }
    void release(KeyCode code)
    {
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        const auto it = std::find(held_.rbegin(), held_.rend(), code);
        if (it != held_.rend()) {
            held_.erase(std::next(it).base());
        }
    }

private:
    Display* display_;
    std::vector<KeyCode> held_;
};

} // namespace

struct X11Keystrokes::Impl {
    Impl(X11Display& shared, std::chrono::milliseconds bindingLifetime) : display(shared), lifetime(bindingLifetime) {}

    X11Display& display;
    // The display is open and has XTEST.
    bool ready = false;
    bool xkb = false;
    int xkbEventBase = 0;
    std::chrono::milliseconds lifetime;
    std::vector<KeyBinding> bindings;
    // Keys already named in a log line as left out.
    std::vector<KeyAction> reported;

    // A key string that lends no keycode waits for no answer from the server: the keymap and the
    // locked modifiers are read once and then kept up to date by the server's notices, which are
    // read, without waiting, before every send. The user may switch layouts or press Caps Lock at
    // any time; a change made while a string is on its way was never seen in time, whether the
    // string had asked first or not.
    std::optional<KeyboardMap> keymap;
    unsigned lockedMods = 0;
    // Notices of the locked modifiers from before our own last change of them describe a state
    // that change has replaced. Notices carry the number of the last request of ours the server
    // had handled.
    unsigned long ownLockRequest = 0;

    void startWatching()
    {
        if (xkb) {
            XkbSelectEvents(display.get(), XkbUseCoreKbd, XkbMapNotifyMask | XkbNewKeyboardNotifyMask,
                            XkbMapNotifyMask | XkbNewKeyboardNotifyMask);
            XkbSelectEventDetails(display.get(), XkbUseCoreKbd, XkbStateNotify, XkbModifierLockMask,
                                  XkbModifierLockMask);
            XkbStateRec state{};
            if (XkbGetState(display.get(), XkbUseCoreKbd, &state) == Success) {
                lockedMods = state.locked_mods;
            }
        }
        display.watchEvents(this, [this](const XEvent& event) { onEvent(event); });
    }

    void onEvent(const XEvent& event)
    {
        if (event.type == MappingNotify) {
            if (event.xmapping.request == MappingKeyboard) {
                keymap.reset();
            }
            return;
        }
        if (!xkb || event.type != xkbEventBase) {
            return;
        }
        const auto& xkbEvent = reinterpret_cast<const XkbEvent&>(event);
        switch (xkbEvent.any.xkb_type) {
        case XkbMapNotify:
        case XkbNewKeyboardNotify: keymap.reset(); break;
        case XkbStateNotify:
            if (xkbEvent.state.serial >= ownLockRequest) {
                lockedMods = xkbEvent.state.locked_mods;
            }
            break;
        default: break;
        }
    }

    const KeyboardMap& currentKeyboardMap()
    {
        if (!keymap) {
            keymap = readKeyboardMap();
        }
        return *keymap;
    }

    void lockCapsLock(bool on)
    {
        XkbLockModifiers(display.get(), XkbUseCoreKbd, LockMask, on ? LockMask : 0);
        ownLockRequest = XNextRequest(display.get()) - 1;
        lockedMods = on ? (lockedMods | LockMask) : (lockedMods & ~unsigned(LockMask));
    }

    // The server's core keyboard mapping.
    KeyboardMap readKeyboardMap()
    {
        KeyboardMap map;
        int maxCode = 0;
        XDisplayKeycodes(display.get(), &map.minCode, &maxCode);
        const int count = maxCode - map.minCode + 1;
        int perCode = 0;
        KeySym* syms = XGetKeyboardMapping(display.get(), static_cast<KeyCode>(map.minCode), count, &perCode);
        if (syms) {
            map.perCode = perCode;
            map.syms.assign(syms, syms + static_cast<std::size_t>(perCode) * static_cast<std::size_t>(count));
            XFree(syms);
        }
        return map;
    }

    void writeRow(KeycodeNumber code, int perCode, KeysymNumber sym)
    {
        std::vector<KeySym> row = borrowedRow(perCode, sym);
        XChangeKeyboardMapping(display.get(), code, perCode, row.data(), 1);
        // Kept as the server will have it; its notice of the change then reads it afresh.
        if (keymap && keymap->hasCode(code)) {
            keymap->set(code, sym);
        }
    }

    // Empties the keycodes of `given` that still carry their keysym. Off the key strings' path
    // (the timer's restore, the end of the program), so it asks the server afresh whether someone
    // else has taken a keycode meanwhile, and is done when it returns.
    void giveBack(const std::vector<KeyBinding>& given)
    {
        if (given.empty()) {
            return;
        }
        display.drainEvents();
        keymap = readKeyboardMap();
        const KeyboardMap map = *keymap;
        for (const KeyBinding& binding : given) {
            if (stillBound(map, binding)) {
                writeRow(binding.code, map.perCode, NoSymbol);
            }
        }
        XSync(display.get(), False);
    }

    void restoreAll()
    {
        if (bindings.empty()) {
            return;
        }
        giveBack(bindings);
        bindings.clear();
    }

    void restoreOlderThanLifetime()
    {
        if (bindings.empty()) {
            return;
        }
        const auto now = Clock::now();
        std::vector<KeyBinding> expired;
        std::erase_if(bindings, [&](const KeyBinding& binding) {
            const bool old = now - binding.lastUsed >= lifetime;
            if (old) {
                expired.push_back(binding);
            }
            return old;
        });
        giveBack(expired);
    }

    // Gives back and borrows keycodes as planned. The new bindings must be in place before the
    // first key; this is also where a refused keymap change shows up.
    KeySendResult changeKeymap(const KeyPlan& plan, int perCode)
    {
        const unsigned long mark = display.markRequests();
        for (const KeyBinding& binding : plan.giveBack) {
            writeRow(binding.code, perCode, NoSymbol);
        }
        for (const KeyBinding& binding : plan.borrow) {
            writeRow(binding.code, perCode, binding.sym);
        }
        bindings = plan.bindings;
        if (!plan.borrow.empty()) {
            // Also waits for what the pointer and the focus sent before; they flush at once, so
            // the server has mostly handled that already.
            XSync(display.get(), False);
            if (const X11Errors errors = display.errorsSince(mark); errors.count != 0) {
                return KeySendResult::refused("the X server refused a keymap change (error " +
                                              std::to_string(errors.lastCode) + ")");
            }
            announceKeymapChange();
        }
        return KeySendResult::done();
    }

    // A program under Wine hears of keymap changes only after it has looked up a key event of its
    // own (Xlib loads the keyboard description, and asks the server for its change notices, on
    // the first lookup). Until then it keeps the keycode-to-virtual-key table made at its start,
    // in which a keycode borrowed since has no virtual key: its window gets VK_NONAME and no
    // character. A pointer mapping notice goes to every client, and Wine rebuilds that table
    // from the server's keymap on any mapping notice; setting the pointer mapping to what it is
    // changes nothing else (no button can be busy when none changes). On the same connection
    // the notice goes out ahead of the key events.
    void announceKeymapChange()
    {
        unsigned char map[256];
        const int buttons = XGetPointerMapping(display.get(), map, sizeof map);
        if (buttons > 0) {
            XSetPointerMapping(display.get(), map, buttons);
        }
    }

    // One line per key the keymap had no room for, the first time it is left out.
    void reportLeftOut(const std::vector<KeyAction>& leftOut)
    {
        for (const KeyAction& key : leftOut) {
            if (std::find(reported.begin(), reported.end(), key) != reported.end()) {
                continue;
            }
            reported.push_back(key);
            logWarning("keys", keyForLog(key) + " is not typed: the keymap has no free keycode left to lend it (" +
                                   std::to_string(bindings.size()) +
                                   " are lent to other characters); the rest of the key string is typed");
        }
    }

    // Caps Lock would turn "a" into "A" (and "+a" into "a"): lift it while typing and put it back
    // before any {CAPSLOCK} in the string, which then acts on the user's state.
    bool liftCapsLock()
    {
        if (!xkb || !(lockedMods & LockMask)) {
            return false;
        }
        lockCapsLock(false);
        return true;
    }

    void press(const KeyPlan& plan)
    {
        bool capsLifted = liftCapsLock();
        {
            HeldKeys held(display.get());
            for (const PlannedStroke& stroke : plan.strokes) {
                if (stroke.capsLock && capsLifted) {
                    lockCapsLock(true);
                    capsLifted = false;
                }
                if (stroke.shift) {
                    held.press(*plan.shiftKey);
                }
                if (stroke.control) {
                    held.press(*plan.controlKey);
                }
                if (stroke.alt) {
                    held.press(*plan.altKey);
                }
                held.press(stroke.code);
                held.release(stroke.code);
                if (stroke.capsLock) {
                    // The key has toggled the lock by the time it is released; the notice of
                    // that may still be on its way when the next string comes.
                    lockedMods ^= LockMask;
                    ownLockRequest = XNextRequest(display.get());
                }
                if (stroke.alt) {
                    held.release(*plan.altKey);
                }
                if (stroke.control) {
                    held.release(*plan.controlKey);
                }
                if (stroke.shift) {
                    held.release(*plan.shiftKey);
                }
            }
        }
        if (capsLifted) {
            lockCapsLock(true);
        }
        XFlush(display.get());
    }

    KeySendResult type(const std::vector<KeyAction>& actions)
    {
        display.drainEvents();
        const KeyboardMap& map = currentKeyboardMap();
        const KeyPlanResult planned = planKeystrokes(map, bindings, actions, {Clock::now(), lifetime});
        if (!planned.plan) {
            return KeySendResult::refused(planned.problem);
        }
        if (KeySendResult changed = changeKeymap(*planned.plan, map.perCode); !changed.typed()) {
            return changed;
        }
        reportLeftOut(planned.plan->leftOut);
        press(*planned.plan);
        return KeySendResult::done();
    }
};

X11Keystrokes::X11Keystrokes(X11Display& display, std::chrono::milliseconds bindingLifetime)
    : x_(std::make_unique<Impl>(display, bindingLifetime))
{
    if (!display.isOpen()) {
        display.logUnavailable("keys", "key strings will not be typed");
        return;
    }
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display.get(), &event, &error, &major, &minor)) {
        logError("keys",
                 "X display \"" + display.shownName() + "\" has no XTEST extension; key strings will not be typed");
        return;
    }
    x_->ready = true;
    int opcode = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    x_->xkb = XkbQueryExtension(display.get(), &opcode, &x_->xkbEventBase, &error, &major, &minor);
    x_->startWatching();
}

X11Keystrokes::~X11Keystrokes()
{
    if (x_->ready) {
        x_->restoreAll();
        x_->display.unwatchEvents(x_.get());
    }
}

bool X11Keystrokes::connected() const
{
    return x_->ready;
}

KeySendResult X11Keystrokes::send(const std::vector<KeyAction>& actions)
{
    if (!x_->ready) {
        return KeySendResult::refused("no X display");
    }
    if (actions.empty()) {
        return KeySendResult::done();
    }
    return x_->type(actions);
}

void X11Keystrokes::restoreKeymap()
{
    if (x_->ready) {
        x_->restoreAll();
    }
}

void X11Keystrokes::restoreExpiredBindings()
{
    if (x_->ready) {
        x_->restoreOlderThanLifetime();
    }
}

bool X11Keystrokes::holdsBindings() const
{
    return !x_->bindings.empty();
}

} // namespace ride
