#include "input/x11/x11_keystrokes.h"

#include "input/key_notation.h"
#include "base/log.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace ride {
namespace {

using Clock = std::chrono::steady_clock;

// Xlib's default error handler ends the process. Errors on our own connections are counted
// instead; everyone else's go to whatever handler was there before.
struct TrappedDisplay {
    Display* display;
    int errors;
    int lastCode;
};

std::vector<TrappedDisplay>& trappedDisplays()
{
    static std::vector<TrappedDisplay> list;
    return list;
}

XErrorHandler previousErrorHandler = nullptr;

int onXError(Display* display, XErrorEvent* event)
{
    for (TrappedDisplay& trapped : trappedDisplays()) {
        if (trapped.display == display) {
            ++trapped.errors;
            trapped.lastCode = event->error_code;
            return 0;
        }
    }
    return previousErrorHandler ? previousErrorHandler(display, event) : 0;
}

void trapErrors(Display* display)
{
    static bool installed = false;
    if (!installed) {
        previousErrorHandler = XSetErrorHandler(onXError);
        installed = true;
    }
    trappedDisplays().push_back({display, 0, 0});
}

void untrapErrors(Display* display)
{
    auto& list = trappedDisplays();
    std::erase_if(list, [display](const TrappedDisplay& t) { return t.display == display; });
}

TrappedDisplay* trapped(Display* display)
{
    for (TrappedDisplay& t : trappedDisplays())
        if (t.display == display)
            return &t;
    return nullptr;
}

KeySym namedKeySym(NamedKey key)
{
    switch (key) {
    case NamedKey::Backspace: return XK_BackSpace;
    case NamedKey::Break: return XK_Pause;
    case NamedKey::CapsLock: return XK_Caps_Lock;
    case NamedKey::Delete: return XK_Delete;
    case NamedKey::Down: return XK_Down;
    case NamedKey::End: return XK_End;
    case NamedKey::Enter: return XK_Return;
    case NamedKey::Escape: return XK_Escape;
    case NamedKey::Help: return XK_Help;
    case NamedKey::Home: return XK_Home;
    case NamedKey::Insert: return XK_Insert;
    case NamedKey::Left: return XK_Left;
    case NamedKey::NumLock: return XK_Num_Lock;
    case NamedKey::PageDown: return XK_Next;
    case NamedKey::PageUp: return XK_Prior;
    case NamedKey::PrintScreen: return XK_Print;
    case NamedKey::Right: return XK_Right;
    case NamedKey::ScrollLock: return XK_Scroll_Lock;
    case NamedKey::Tab: return XK_Tab;
    case NamedKey::Up: return XK_Up;
    case NamedKey::KeypadAdd: return XK_KP_Add;
    case NamedKey::KeypadSubtract: return XK_KP_Subtract;
    case NamedKey::KeypadMultiply: return XK_KP_Multiply;
    case NamedKey::KeypadDivide: return XK_KP_Divide;
    default: break;
    }
    // F1..F16 are consecutive both in NamedKey and among the keysyms.
    return XK_F1 + (static_cast<int>(key) - static_cast<int>(NamedKey::F1));
}

// Latin-1 characters have keysyms equal to their code; the rest use the Unicode keysym range.
KeySym charKeySym(char32_t c)
{
    if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF))
        return c;
    return 0x01000000 + c;
}

std::string describeKeySym(KeySym sym)
{
    char text[32];
    if (sym >= 0x01000000 && sym <= 0x0110FFFF)
        std::snprintf(text, sizeof text, "U+%04lX", sym - 0x01000000);
    else if (const char* name = XKeysymToString(sym))
        std::snprintf(text, sizeof text, "%s", name);
    else
        std::snprintf(text, sizeof text, "keysym 0x%lX", sym);
    return text;
}

// The server's core keyboard mapping, read fresh for every send because the user may switch
// layouts at any time.
struct KeyMap {
    int minCode = 0;
    int perCode = 0;
    std::vector<KeySym> syms;

    int codeCount() const { return perCode ? int(syms.size()) / perCode : 0; }
    KeySym at(int code, int column) const { return syms[std::size_t((code - minCode) * perCode + column)]; }

    struct Place {
        KeyCode code;
        bool shift;
    };

    // Only the first two columns are reachable with no modifier or with shift alone; a
    // character on a third level is typed through a spare keycode instead.
    std::optional<Place> find(KeySym sym) const
    {
        for (int column = 0; column < std::min(perCode, 2); ++column)
            for (int i = 0; i < codeCount(); ++i)
                if (at(minCode + i, column) == sym)
                    return Place{KeyCode(minCode + i), column == 1};
        return std::nullopt;
    }

    bool isEmpty(int code) const
    {
        for (int column = 0; column < perCode; ++column)
            if (at(code, column) != NoSymbol)
                return false;
        return true;
    }

    // High keycodes first: they are the least likely to belong to a physical key.
    std::optional<KeyCode> spare() const
    {
        for (int code = minCode + codeCount() - 1; code >= minCode && code > 8; --code)
            if (isEmpty(code))
                return KeyCode(code);
        return std::nullopt;
    }

    void set(int code, KeySym sym)
    {
        for (int column = 0; column < perCode; ++column)
            syms[std::size_t((code - minCode) * perCode + column)] = column < 2 ? sym : NoSymbol;
    }
};

// Every key pressed through it is released, also when typing stops half-way.
class HeldKeys {
public:
    explicit HeldKeys(Display* display) : display_(display) {}
    ~HeldKeys()
    {
        while (!held_.empty())
            release(held_.back());
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
        if (it != held_.rend())
            held_.erase(std::next(it).base());
    }

private:
    Display* display_;
    std::vector<KeyCode> held_;
};

struct Stroke {
    KeyCode code;
    bool shift;
    bool control;
    bool alt;
    bool capsLock;
};

} // namespace

struct X11Keystrokes::Impl {
    struct Binding {
        KeyCode code;
        KeySym sym;
        Clock::time_point lastUsed;
    };

    Display* display = nullptr;
    bool xkb = false;
    std::chrono::milliseconds lifetime;
    std::vector<Binding> bindings;

    void drainEvents()
    {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
    }

    KeyMap readKeyMap()
    {
        KeyMap map;
        int maxCode = 0;
        XDisplayKeycodes(display, &map.minCode, &maxCode);
        int perCode = 0;
        KeySym* syms = XGetKeyboardMapping(display, KeyCode(map.minCode), maxCode - map.minCode + 1, &perCode);
        if (syms) {
            map.perCode = perCode;
            map.syms.assign(syms, syms + std::size_t(perCode) * std::size_t(maxCode - map.minCode + 1));
            XFree(syms);
        }
        return map;
    }

    void unbind(KeyMap& map, const Binding& binding)
    {
        // Someone else may have remapped the key meanwhile; then it is no longer ours to clear.
        if (map.perCode == 0 || map.at(binding.code, 0) != binding.sym)
            return;
        map.set(binding.code, NoSymbol);
        std::vector<KeySym> row(std::size_t(map.perCode), NoSymbol);
        XChangeKeyboardMapping(display, binding.code, map.perCode, row.data(), 1);
    }

    void restoreAll()
    {
        if (bindings.empty())
            return;
        KeyMap map = readKeyMap();
        for (const Binding& binding : bindings)
            unbind(map, binding);
        bindings.clear();
        XFlush(display);
    }

    void restoreOlderThanLifetime()
    {
        if (bindings.empty())
            return;
        KeyMap map = readKeyMap();
        const auto now = Clock::now();
        std::erase_if(bindings, [&](const Binding& binding) {
            const bool expired = now - binding.lastUsed >= lifetime;
            if (expired)
                unbind(map, binding);
            return expired;
        });
        XFlush(display);
    }

    // Makes `sym` reachable, binding a spare keycode if the keymap lacks it.
    std::optional<KeyMap::Place> place(KeyMap& map, KeySym sym, const std::vector<KeySym>& needed, std::string& problem)
    {
        auto found = map.find(sym);
        if (!found && sym >= 0xA0 && sym <= 0xFF)
            found = map.find(0x01000000 + sym);
        if (found) {
            for (Binding& binding : bindings)
                if (binding.code == found->code)
                    binding.lastUsed = Clock::now();
            return found;
        }
        auto code = map.spare();
        if (!code) {
            // Take back the oldest binding this string does not use.
            auto oldest = bindings.end();
            for (auto it = bindings.begin(); it != bindings.end(); ++it)
                if (std::find(needed.begin(), needed.end(), it->sym) == needed.end() &&
                    (oldest == bindings.end() || it->lastUsed < oldest->lastUsed))
                    oldest = it;
            if (oldest != bindings.end()) {
                unbind(map, *oldest);
                bindings.erase(oldest);
                code = map.spare();
            }
        }
        if (!code) {
            problem = "the keymap has no free key for " + describeKeySym(sym);
            return std::nullopt;
        }
        map.set(*code, sym);
        XChangeKeyboardMapping(display, *code, map.perCode, &map.syms[std::size_t((*code - map.minCode) * map.perCode)], 1);
        bindings.push_back({*code, sym, Clock::now()});
        return KeyMap::Place{*code, false};
    }

    std::optional<KeyCode> modifierKey(const KeyMap& map, KeySym first, KeySym second)
    {
        if (auto found = map.find(first))
            return found->code;
        if (auto found = map.find(second))
            return found->code;
        return std::nullopt;
    }

    // Returns why nothing was typed, or nullopt once the keys are on their way.
    std::optional<std::string> type(const std::vector<KeyAction>& actions)
    {
        drainEvents();
        KeyMap map = readKeyMap();
        if (map.perCode == 0)
            return "cannot read the keymap";

        std::vector<KeySym> needed;
        needed.reserve(actions.size());
        for (const KeyAction& action : actions)
            needed.push_back(action.kind == KeyAction::Kind::Char ? charKeySym(action.ch) : namedKeySym(action.key));

        const auto now = Clock::now();
        std::erase_if(bindings, [&](const Binding& binding) {
            const bool expired = now - binding.lastUsed >= lifetime &&
                                 std::find(needed.begin(), needed.end(), binding.sym) == needed.end();
            if (expired)
                unbind(map, binding);
            return expired;
        });

        TrappedDisplay* errors = trapped(display);
        const int errorsBefore = errors ? errors->errors : 0;
        const std::size_t bindingsBefore = bindings.size();

        std::vector<Stroke> strokes;
        strokes.reserve(actions.size());
        bool anyShift = false, anyControl = false, anyAlt = false;
        std::string problem;
        for (std::size_t i = 0; i < actions.size(); ++i) {
            const auto where = place(map, needed[i], needed, problem);
            if (!where)
                return problem;
            const Modifiers& mods = actions[i].mods;
            strokes.push_back({where->code, mods.shift || where->shift, mods.control, mods.alt,
                               actions[i].kind == KeyAction::Kind::Named && actions[i].key == NamedKey::CapsLock});
            anyShift |= strokes.back().shift;
            anyControl |= strokes.back().control;
            anyAlt |= strokes.back().alt;
        }

        const auto shiftKey = modifierKey(map, XK_Shift_L, XK_Shift_R);
        const auto controlKey = modifierKey(map, XK_Control_L, XK_Control_R);
        const auto altKey = modifierKey(map, XK_Alt_L, XK_Meta_L);
        if ((anyShift && !shiftKey) || (anyControl && !controlKey) || (anyAlt && !altKey))
            return "the keymap lacks a Shift, Control or Alt key";

        if (bindings.size() != bindingsBefore) {
            // The new bindings must be in place before the first key; this is also where a
            // refused keymap change shows up.
            XSync(display, False);
            if (errors && errors->errors != errorsBefore)
                return "the X server refused a keymap change (error " + std::to_string(errors->lastCode) + ")";
        }

        // Caps Lock would turn "a" into "A" (and "+a" into "a"): lift it while typing and put
        // it back before any {CAPSLOCK} in the string, which then acts on the user's state.
        bool capsLifted = false;
        if (xkb) {
            XkbStateRec state{};
            if (XkbGetState(display, XkbUseCoreKbd, &state) == Success && (state.locked_mods & LockMask)) {
                XkbLockModifiers(display, XkbUseCoreKbd, LockMask, 0);
                capsLifted = true;
            }
        }
        {
            HeldKeys held(display);
            for (const Stroke& stroke : strokes) {
                if (stroke.capsLock && capsLifted) {
                    XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
                    capsLifted = false;
                }
                if (stroke.shift)
                    held.press(*shiftKey);
                if (stroke.control)
                    held.press(*controlKey);
                if (stroke.alt)
                    held.press(*altKey);
                held.press(stroke.code);
                held.release(stroke.code);
                if (stroke.alt)
                    held.release(*altKey);
                if (stroke.control)
                    held.release(*controlKey);
                if (stroke.shift)
                    held.release(*shiftKey);
            }
        }
        if (capsLifted)
            XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
        XFlush(display);
        return std::nullopt;
    }
};

X11Keystrokes::X11Keystrokes(std::string_view displayName, std::chrono::milliseconds bindingLifetime)
    : x_(std::make_unique<Impl>())
{
    x_->lifetime = bindingLifetime;
    const std::string name(displayName);
    const std::string shownName = name.empty() ? std::string("$DISPLAY") : name;
    x_->display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (!x_->display) {
        logError("keys", "cannot open X display \"" + shownName + "\"; key strings will not be typed");
        return;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(x_->display, &event, &error, &major, &minor)) {
        logError("keys", "X display \"" + shownName + "\" has no XTEST extension; key strings will not be typed");
        XCloseDisplay(x_->display);
        x_->display = nullptr;
        return;
    }
    int opcode = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    x_->xkb = XkbQueryExtension(x_->display, &opcode, &event, &error, &major, &minor);
    trapErrors(x_->display);
}

X11Keystrokes::~X11Keystrokes()
{
    if (!x_->display)
        return;
    x_->restoreAll();
    XSync(x_->display, False);
    untrapErrors(x_->display);
    XCloseDisplay(x_->display);
}

bool X11Keystrokes::connected() const
{
    return x_->display != nullptr;
}

void X11Keystrokes::send(std::string_view source, TextView keys)
{
    const KeyParseResult parsed = parseKeys(keys);
    if (!parsed.ok()) {
        logWarning("keys", rejectedKeysLine(source, keys, parsed.error->message));
        return;
    }
    if (!x_->display) {
        logWarning("keys", rejectedKeysLine(source, keys, "no X display"));
        return;
    }
    if (parsed.actions.empty())
        return;
    if (const auto problem = x_->type(parsed.actions))
        logWarning("keys", rejectedKeysLine(source, keys, *problem));
}

void X11Keystrokes::restoreKeymap()
{
    if (x_->display)
        x_->restoreAll();
}

void X11Keystrokes::restoreExpiredBindings()
{
    if (x_->display)
        x_->restoreOlderThanLifetime();
}

bool X11Keystrokes::holdsBindings() const
{
    return !x_->bindings.empty();
}

} // namespace ride
