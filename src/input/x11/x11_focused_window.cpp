// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/x11/x11_focused_window.h"

#include "input/x11/x11_display.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace ride {
namespace {

// xcb hands out replies from malloc.
struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// Properties longer than this are cut: a title of a kilobyte is already more than a log line wants.
constexpr std::uint32_t kPropertyLongs = 256;
// No real window tree is this deep; a loop in a broken one must still end.
constexpr int kMaxLevels = 64;
// Focus windows remembered with their client; more than this and the memory starts afresh.
constexpr std::size_t kMaxRemembered = 256;

std::string latin1ToUtf8(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return out;
}

std::string_view bytesOf(const xcb_get_property_reply_t& reply)
{
    const int length = xcb_get_property_value_length(&reply);
    return {static_cast<const char*>(xcb_get_property_value(&reply)),
            static_cast<std::size_t>(length > 0 ? length : 0)};
}

bool present(const xcb_get_property_reply_t* reply)
{
    return reply && reply->type != XCB_ATOM_NONE;
}

} // namespace

struct X11FocusedWindow::Impl {
    explicit Impl(X11Display& shared) : display(shared) {}

    X11Display& display;
    bool started = false;
    xcb_connection_t* xcb = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t wmState = XCB_ATOM_NONE;
    xcb_atom_t netWmName = XCB_ATOM_NONE;
    xcb_atom_t utf8String = XCB_ATOM_NONE;
    // Focus window -> its top-level client. Walking up costs a round trip per level; the focus
    // stays on the same few windows all day, so each is walked once. A remembered window is
    // watched, and forgotten when it is destroyed or moved to another parent.
    std::unordered_map<xcb_window_t, xcb_window_t> clientOf;
    std::uint64_t roundTrips = 0;

    // On the first question only: the atoms, and the watch on the connection's events.
    bool connect()
    {
        if (started) {
            return xcb != nullptr && !xcb_connection_has_error(xcb);
        }
        started = true;
        if (!display.isOpen()) {
            display.logUnavailable("input", "key strings will not be checked against the target window");
            return false;
        }
        xcb = XGetXCBConnection(display.get());
        root = static_cast<xcb_window_t>(DefaultRootWindow(display.get()));
        // Whoever reads the shared connection's events (the pointer, the keys, the focus, or
        // this source), the structure events of remembered windows come here.
        display.watchEvents(this, [this](const XEvent& event) { noteEvent(event); });
        const auto cookie = [this](const char* name) {
            return xcb_intern_atom(xcb, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
        };
        const xcb_intern_atom_cookie_t cookies[] = {cookie("WM_STATE"), cookie("_NET_WM_NAME"), cookie("UTF8_STRING")};
        xcb_atom_t* const atoms[] = {&wmState, &netWmName, &utf8String};
        for (std::size_t i = 0; i < 3; ++i) {
            Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(xcb, cookies[i], nullptr));
            *atoms[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        }
        ++roundTrips;
        return !xcb_connection_has_error(xcb);
    }

    // Destroyed and reparented windows leave the memory.
    void noteEvent(const XEvent& event)
    {
        if (event.type == DestroyNotify) {
            forget(static_cast<xcb_window_t>(event.xdestroywindow.window));
        } else if (event.type == ReparentNotify) {
            forget(static_cast<xcb_window_t>(event.xreparent.window));
        }
    }

    void forget(xcb_window_t window)
    {
        std::erase_if(clientOf,
                      [window](const auto& entry) { return entry.first == window || entry.second == window; });
    }

    void remember(xcb_window_t focus, xcb_window_t client)
    {
        if (clientOf.size() >= kMaxRemembered) {
            clientOf.clear();
        }
        clientOf[focus] = client;
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        // A window destroyed meanwhile makes this fail; nobody needs to hear of that.
        const auto cookie = xcb_change_window_attributes_checked(xcb, focus, XCB_CW_EVENT_MASK, &mask);
        xcb_discard_reply(xcb, cookie.sequence);
    }

    Reply<xcb_get_property_reply_t> waitProperty(xcb_get_property_cookie_t cookie, bool& failed)
    {
        xcb_generic_error_t* error = nullptr;
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(xcb, cookie, &error));
        if (error) {
            failed = true;
            std::free(error);
        }
        return reply;
    }

    xcb_get_property_cookie_t askProperty(xcb_window_t window, xcb_atom_t property)
    {
        return xcb_get_property(xcb, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, kPropertyLongs);
    }

    // The window carrying WM_STATE among the descendants of `top`, a few levels down: a window
    // manager's frame can hold the focus while the program's own window sits inside it.
    std::optional<xcb_window_t> clientBelow(xcb_window_t top)
    {
        std::vector<xcb_window_t> level{top};
        for (int depth = 0; depth < 3 && !level.empty(); ++depth) {
            std::vector<xcb_query_tree_cookie_t> trees;
            for (const xcb_window_t w : level) {
                trees.push_back(xcb_query_tree(xcb, w));
            }
            std::vector<xcb_window_t> children;
            for (const auto& cookie : trees) {
                Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(xcb, cookie, nullptr));
                if (tree) {
                    const xcb_window_t* first = xcb_query_tree_children(tree.get());
                    children.insert(children.end(), first, first + xcb_query_tree_children_length(tree.get()));
                }
            }
            ++roundTrips;
            if (children.size() > kMaxRemembered) {
                children.resize(kMaxRemembered);
            }
            std::vector<xcb_get_property_cookie_t> states;
            for (const xcb_window_t w : children) {
                states.push_back(askProperty(w, wmState));
            }
            std::optional<xcb_window_t> found;
            for (std::size_t i = 0; i < children.size(); ++i) {
                bool failed = false;
                const auto state = waitProperty(states[i], failed);
                if (!found && present(state.get())) {
                    found = children[i];
                }
            }
            if (!children.empty()) {
                ++roundTrips;
            }
            if (found) {
                return found;
            }
            level = std::move(children);
        }
        return std::nullopt;
    }

    // Walks up from the focus window to the program's top-level window: the first carrying
    // WM_STATE (set by a window manager on the windows it manages), else the child of the root
    // (no window manager), else, for a focused child of the root, the WM_STATE window inside it.
    // Empty when a window went away on the way.
    std::optional<xcb_window_t> walkToClient(xcb_window_t focus)
    {
        xcb_window_t window = focus;
        for (int level = 0; level < kMaxLevels; ++level) {
            const auto treeCookie = xcb_query_tree(xcb, window);
            const auto stateCookie = askProperty(window, wmState);
            xcb_generic_error_t* error = nullptr;
            Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(xcb, treeCookie, &error));
            std::free(error);
            bool failed = false;
            const auto state = waitProperty(stateCookie, failed);
            ++roundTrips;
            if (!tree || failed) {
                return std::nullopt;
            }
            if (present(state.get())) {
                return window;
            }
            if (tree->parent == root || tree->parent == XCB_WINDOW_NONE) {
                // Only a focused frame itself hides its client below; a focus inside a window
                // without WM_STATE means there is no window manager and this is the program's.
                return window == focus ? clientBelow(window).value_or(window) : window;
            }
            window = tree->parent;
        }
        return std::nullopt;
    }

    // WM_CLASS, _NET_WM_NAME and WM_NAME in one round trip. False when the window is gone.
    bool readNames(xcb_window_t client, FocusedWindow& out)
    {
        const auto classCookie = askProperty(client, XCB_ATOM_WM_CLASS);
        const auto netNameCookie = askProperty(client, netWmName);
        const auto nameCookie = askProperty(client, XCB_ATOM_WM_NAME);
        bool failed = false;
        const auto wmClass = waitProperty(classCookie, failed);
        const auto netName = waitProperty(netNameCookie, failed);
        const auto name = waitProperty(nameCookie, failed);
        ++roundTrips;
        if (failed) {
            return false;
        }
        if (present(wmClass.get()) && wmClass->format == 8) {
            // "instance\0class\0"
            const std::string_view value = bytesOf(*wmClass);
            const std::size_t end = value.find('\0');
            out.instance = std::string(value.substr(0, end));
            if (end != std::string_view::npos) {
                std::string_view rest = value.substr(end + 1);
                out.windowClass = std::string(rest.substr(0, rest.find('\0')));
            }
        }
        if (present(netName.get()) && netName->format == 8) {
            out.title = std::string(bytesOf(*netName));
        } else if (present(name.get()) && name->format == 8) {
            const std::string_view value = bytesOf(*name);
            // STRING is Latin-1; COMPOUND_TEXT is read the same way, which is right for its ASCII.
            out.title = name->type == utf8String ? std::string(value) : latin1ToUtf8(value);
        }
        return true;
    }

    FocusedWindow ask()
    {
        FocusedWindow out;
        if (!connect()) {
            return out;
        }
        display.drainEvents();
        xcb_generic_error_t* error = nullptr;
        Reply<xcb_get_input_focus_reply_t> focus(xcb_get_input_focus_reply(xcb, xcb_get_input_focus(xcb), &error));
        std::free(error);
        ++roundTrips;
        if (!focus) {
            return out;
        }
        // None, PointerRoot, or the root itself: no program has the keyboard.
        if (focus->focus == XCB_WINDOW_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT || focus->focus == root) {
            out.kind = FocusedWindow::Kind::Nothing;
            return out;
        }
        const auto known = clientOf.find(focus->focus);
        std::optional<xcb_window_t> client;
        if (known != clientOf.end()) {
            client = known->second;
        } else {
            client = walkToClient(focus->focus);
            if (!client) {
                return out;
            }
            remember(focus->focus, *client);
        }
        out.id = *client;
        if (!readNames(*client, out)) {
            forget(*client);
            return FocusedWindow{};
        }
        out.kind = FocusedWindow::Kind::Client;
        return out;
    }
};

std::vector<FocusedWindow> X11FocusedWindow::windowsOnScreen()
{
    std::vector<FocusedWindow> out;
    if (!x_->connect()) {
        return out;
    }
    xcb_connection_t* c = x_->xcb;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, x_->root), nullptr));
    if (!tree) {
        return out;
    }
    const xcb_window_t* first = xcb_query_tree_children(tree.get());
    const std::vector<xcb_window_t> children(first, first + xcb_query_tree_children_length(tree.get()));
    std::vector<xcb_get_window_attributes_cookie_t> attributes;
    for (const xcb_window_t w : children) {
        attributes.push_back(xcb_get_window_attributes(c, w));
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        Reply<xcb_get_window_attributes_reply_t> a(xcb_get_window_attributes_reply(c, attributes[i], nullptr));
        // Override-redirect windows are menus and tooltips, not programs.
        if (!a || a->map_state != XCB_MAP_STATE_VIEWABLE || a->override_redirect) {
            continue;
        }
        const auto client = x_->walkToClient(children[i]);
        FocusedWindow window;
        window.kind = FocusedWindow::Kind::Client;
        window.id = client.value_or(children[i]);
        if (x_->readNames(static_cast<xcb_window_t>(window.id), window)) {
            out.push_back(std::move(window));
        }
    }
    return out;
}

X11FocusedWindow::X11FocusedWindow(X11Display& display) : x_(std::make_unique<Impl>(display)) {}

X11FocusedWindow::~X11FocusedWindow()
{
    x_->display.unwatchEvents(x_.get());
}

FocusedWindow X11FocusedWindow::focusedWindow()
{
    FocusedWindow window = x_->ask();
    if (window.kind == FocusedWindow::Kind::Unknown && x_->xcb && !xcb_connection_has_error(x_->xcb)) {
        // A window went away while it was asked about, perhaps the one the memory held: once more
        // from the focus, now that the memory has forgotten it.
        window = x_->ask();
    }
    return window;
}

std::uint64_t X11FocusedWindow::roundTrips() const
{
    return x_->roundTrips;
}

} // namespace ride
