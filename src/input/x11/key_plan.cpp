// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/x11/key_plan.h"

#include "base/text.h"
#include "input/key_notation.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <type_traits>

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace ride {

static_assert(std::is_same_v<KeysymNumber, KeySym>);
static_assert(std::is_same_v<KeycodeNumber, KeyCode>);

namespace {

constexpr KeysymNumber kUnicodeKeysymBase = 0x01000000;

KeysymNumber namedKeySym(NamedKey key)
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
    return XK_F1 + static_cast<KeysymNumber>(static_cast<int>(key) - static_cast<int>(NamedKey::F1));
}

// Latin-1 characters have keysyms equal to their code; the rest use the Unicode keysym range.
KeysymNumber charKeySym(char32_t c)
{
    if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF)) {
        return c;
    }
    return kUnicodeKeysymBase + c;
}

KeysymNumber actionKeySym(const KeyAction& action)
{
    return action.kind == KeyAction::Kind::Char ? charKeySym(action.ch) : namedKeySym(action.key);
}

struct Place {
    KeycodeNumber code;
    bool shift;
};

// Only the first two columns are reachable with no modifier or with Shift alone; a character on
// a third level is typed through a spare keycode instead.
std::optional<Place> find(const KeyboardMap& map, KeysymNumber sym)
{
    for (int column = 0; column < std::min(map.perCode, 2); ++column) {
        for (int code = map.minCode; code < map.minCode + map.codeCount(); ++code) {
            if (map.at(code, column) == sym) {
                return Place{static_cast<KeycodeNumber>(code), column == 1};
            }
        }
    }
    return std::nullopt;
}

bool isEmpty(const KeyboardMap& map, int code)
{
    for (int column = 0; column < map.perCode; ++column) {
        if (map.at(code, column) != NoSymbol) {
            return false;
        }
    }
    return true;
}

// Low keycodes first, for Wine (see planKeystrokes). On a PC keymap the empty ones down there
// belong to keys of Japanese and Korean keyboards.
std::optional<KeycodeNumber> spare(const KeyboardMap& map)
{
    for (int code = std::max(map.minCode, 9); code < map.minCode + map.codeCount(); ++code) {
        if (isEmpty(map, code)) {
            return static_cast<KeycodeNumber>(code);
        }
    }
    return std::nullopt;
}

std::optional<KeycodeNumber> modifierKey(const KeyboardMap& map, KeysymNumber first, KeysymNumber second)
{
    if (const auto found = find(map, first)) {
        return found->code;
    }
    if (const auto found = find(map, second)) {
        return found->code;
    }
    return std::nullopt;
}

// Works on a copy of the keymap that follows every change the plan makes to it.
class Planner {
public:
    Planner(const KeyboardMap& map, const std::vector<KeyBinding>& bindings, BindingClock clock)
        : map_(map), clock_(clock)
    {
        plan_.bindings = bindings;
    }

    void giveBackExpired(const std::vector<KeysymNumber>& needed)
    {
        std::erase_if(plan_.bindings, [&](const KeyBinding& binding) {
            const bool expired = clock_.now - binding.lastUsed >= clock_.lifetime && !contains(needed, binding.sym);
            if (expired) {
                giveBack(binding);
            }
            return expired;
        });
    }

    // Makes `sym` reachable, borrowing a spare keycode if the keymap lacks it; nullopt when no
    // keycode can be had.
    std::optional<Place> place(KeysymNumber sym, const std::vector<KeysymNumber>& needed)
    {
        auto found = find(map_, sym);
        if (!found && sym >= 0xA0 && sym <= 0xFF) {
            found = find(map_, kUnicodeKeysymBase + sym);
        }
        if (found) {
            for (KeyBinding& binding : plan_.bindings) {
                if (binding.code == found->code) {
                    binding.lastUsed = clock_.now;
                }
            }
            return found;
        }
        auto code = spare(map_);
        if (!code) {
            evictOldestNotIn(needed);
            code = spare(map_);
        }
        if (!code) {
            return std::nullopt;
        }
        map_.set(*code, sym);
        const KeyBinding binding{*code, sym, clock_.now};
        plan_.borrow.push_back(binding);
        plan_.bindings.push_back(binding);
        return Place{*code, false};
    }

    const KeyboardMap& map() const { return map_; }
    KeyPlan& plan() { return plan_; }

private:
    static bool contains(const std::vector<KeysymNumber>& syms, KeysymNumber sym)
    {
        return std::find(syms.begin(), syms.end(), sym) != syms.end();
    }

    void giveBack(const KeyBinding& binding)
    {
        if (stillBound(map_, binding)) {
            map_.set(binding.code, NoSymbol);
            plan_.giveBack.push_back(binding);
        }
    }

    void evictOldestNotIn(const std::vector<KeysymNumber>& needed)
    {
        auto oldest = plan_.bindings.end();
        for (auto it = plan_.bindings.begin(); it != plan_.bindings.end(); ++it) {
            if (!contains(needed, it->sym) && (oldest == plan_.bindings.end() || it->lastUsed < oldest->lastUsed)) {
                oldest = it;
            }
        }
        if (oldest != plan_.bindings.end()) {
            giveBack(*oldest);
            plan_.bindings.erase(oldest);
        }
    }

    KeyboardMap map_;
    BindingClock clock_;
    KeyPlan plan_;
};

void appendUtf16(Text& text, char32_t c)
{
    if (c >= 0x10000) {
        text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        text += static_cast<char16_t>(c);
    }
}

} // namespace

std::string keyForLog(const KeyAction& action)
{
    if (action.kind == KeyAction::Kind::Named) {
        return "{" + std::string(keyName(action.key)) + "}";
    }
    Text text;
    appendUtf16(text, action.ch);
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(action.ch));
    return "\"" + toUtf8(text) + "\" (" + code + ")";
}

std::vector<KeysymNumber> borrowedRow(int perCode, KeysymNumber sym)
{
    std::vector<KeysymNumber> row(static_cast<std::size_t>(std::max(perCode, 0)), NoSymbol);
    for (std::size_t column = 0; column < row.size() && column < 2; ++column) {
        row[column] = sym;
    }
    return row;
}

void KeyboardMap::set(int code, KeysymNumber sym)
{
    const std::vector<KeysymNumber> row = borrowedRow(perCode, sym);
    std::copy(row.begin(), row.end(), syms.begin() + static_cast<std::ptrdiff_t>(index(code, 0)));
}

bool stillBound(const KeyboardMap& map, const KeyBinding& binding)
{
    return map.perCode > 0 && map.hasCode(binding.code) && map.at(binding.code, 0) == binding.sym;
}

KeyPlanResult planKeystrokes(const KeyboardMap& map, const std::vector<KeyBinding>& bindings,
                             const std::vector<KeyAction>& actions, BindingClock clock)
{
    if (map.perCode == 0) {
        return {std::nullopt, "cannot read the keymap"};
    }
    std::vector<KeysymNumber> needed;
    needed.reserve(actions.size());
    for (const KeyAction& action : actions) {
        needed.push_back(actionKeySym(action));
    }

    Planner planner(map, bindings, clock);
    planner.giveBackExpired(needed);

    KeyPlan& plan = planner.plan();
    plan.strokes.reserve(actions.size());
    bool anyShift = false;
    bool anyControl = false;
    bool anyAlt = false;
    for (std::size_t i = 0; i < actions.size(); ++i) {
        const KeyAction& action = actions[i];
        const auto where = planner.place(needed[i], needed);
        if (!where) {
            const KeyAction bare =
                action.kind == KeyAction::Kind::Char ? KeyAction::character(action.ch) : KeyAction::named(action.key);
            if (std::find(plan.leftOut.begin(), plan.leftOut.end(), bare) == plan.leftOut.end()) {
                plan.leftOut.push_back(bare);
            }
            continue;
        }
        const bool capsLock = action.kind == KeyAction::Kind::Named && action.key == NamedKey::CapsLock;
        const PlannedStroke stroke{where->code, action.mods.shift || where->shift, action.mods.control, action.mods.alt,
                                   capsLock};
        anyShift = anyShift || stroke.shift;
        anyControl = anyControl || stroke.control;
        anyAlt = anyAlt || stroke.alt;
        plan.strokes.push_back(stroke);
    }

    const auto shiftKey = modifierKey(planner.map(), XK_Shift_L, XK_Shift_R);
    const auto controlKey = modifierKey(planner.map(), XK_Control_L, XK_Control_R);
    const auto altKey = modifierKey(planner.map(), XK_Alt_L, XK_Meta_L);
    if ((anyShift && !shiftKey) || (anyControl && !controlKey) || (anyAlt && !altKey)) {
        return {std::nullopt, "the keymap lacks a Shift, Control or Alt key"};
    }
    if (anyShift) {
        plan.shiftKey = shiftKey;
    }
    if (anyControl) {
        plan.controlKey = controlKey;
    }
    if (anyAlt) {
        plan.altKey = altKey;
    }
    return {std::move(plan), {}};
}

} // namespace ride
