#include "platform/x11/X11TopLevels.h"

#include <optional>

namespace {

constexpr std::uint32_t kMaxListedWindows = 1u << 16;

std::optional<xcb_window_t> WindowProperty(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    auto reply = XcbTake(c, cookie, xcb_get_property_reply);
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) < 4) {
        return std::nullopt;
    }
    return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
}

std::vector<xcb_window_t> WindowList(const xcb_get_property_reply_t* reply) {
    const auto* ids = static_cast<const xcb_window_t*>(
        xcb_get_property_value(const_cast<xcb_get_property_reply_t*>(reply)));
    const int count =
        xcb_get_property_value_length(const_cast<xcb_get_property_reply_t*>(reply)) / 4;
    return std::vector<xcb_window_t>(ids, ids + count);
}

std::vector<xcb_window_t> Children(const xcb_query_tree_reply_t* reply) {
    if (reply == nullptr) {
        return {};
    }
    auto* r = const_cast<xcb_query_tree_reply_t*>(reply);
    const xcb_window_t* ids = xcb_query_tree_children(r);
    return std::vector<xcb_window_t>(ids, ids + xcb_query_tree_children_length(r));
}

xcb_get_property_cookie_t AskWmState(X11Context& context, xcb_window_t window) {
    const xcb_atom_t wmState = context.Atom("WM_STATE");
    return xcb_get_property(context.Connection(), 0, window, wmState, wmState, 0, 2);
}

bool HasWmState(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    auto reply = XcbTake(c, cookie, xcb_get_property_reply);
    return reply && reply->type != XCB_ATOM_NONE && xcb_get_property_value_length(reply.get()) > 0;
}

// The root children a user could switch to: mapped, managed or not, but not
// override-redirect (menus, tooltips) and not input-only. Marks which carry WM_STATE.
std::vector<xcb_window_t> SwitchableChildren(X11Context& context,
                                             const std::vector<xcb_window_t>& children,
                                             std::vector<bool>* managed) {
    xcb_connection_t* c = context.Connection();
    std::vector<xcb_get_window_attributes_cookie_t> attrCookies;
    std::vector<xcb_get_property_cookie_t> stateCookies;
    for (xcb_window_t w : children) {
        attrCookies.push_back(xcb_get_window_attributes(c, w));
        stateCookies.push_back(AskWmState(context, w));
    }
    std::vector<xcb_window_t> out;
    for (std::size_t i = 0; i < children.size(); ++i) {
        auto attrs = XcbTake(c, attrCookies[i], xcb_get_window_attributes_reply);
        const bool hasState = HasWmState(c, stateCookies[i]);
        if (!attrs || attrs->map_state == XCB_MAP_STATE_UNMAPPED || attrs->override_redirect ||
            attrs->_class == XCB_WINDOW_CLASS_INPUT_ONLY) {
            continue;
        }
        out.push_back(children[i]);
        managed->push_back(hasState);
    }
    return out;
}

// For windows without WM_STATE: a reparenting window manager's frame holds the client as
// a child with WM_STATE; without a window manager no window has it and each stands for
// itself.
void ReplaceFramesByClients(X11Context& context, std::vector<xcb_window_t>* windows,
                            const std::vector<bool>& managed) {
    xcb_connection_t* c = context.Connection();
    std::vector<std::size_t> unmanaged;
    std::vector<xcb_query_tree_cookie_t> treeCookies;
    for (std::size_t i = 0; i < windows->size(); ++i) {
        if (!managed[i]) {
            unmanaged.push_back(i);
            treeCookies.push_back(xcb_query_tree(c, (*windows)[i]));
        }
    }
    std::vector<std::vector<xcb_window_t>> inner(unmanaged.size());
    for (std::size_t k = 0; k < unmanaged.size(); ++k) {
        auto tree = XcbTake(c, treeCookies[k], xcb_query_tree_reply);
        inner[k] = Children(tree.get());
    }
    std::vector<std::vector<xcb_get_property_cookie_t>> stateCookies(unmanaged.size());
    for (std::size_t k = 0; k < unmanaged.size(); ++k) {
        for (xcb_window_t child : inner[k]) {
            stateCookies[k].push_back(AskWmState(context, child));
        }
    }
    for (std::size_t k = 0; k < unmanaged.size(); ++k) {
        bool replaced = false;
        for (std::size_t j = 0; j < inner[k].size(); ++j) {
            // Collect every reply, also after a match, so none is left waiting.
            if (HasWmState(c, stateCookies[k][j]) && !replaced) {
                (*windows)[unmanaged[k]] = inner[k][j];
                replaced = true;
            }
        }
    }
}

std::vector<xcb_window_t> WalkRootChildren(X11Context& context, xcb_query_tree_cookie_t rootTree) {
    auto tree = XcbTake(context.Connection(), rootTree, xcb_query_tree_reply);
    std::vector<bool> managed;
    std::vector<xcb_window_t> windows = SwitchableChildren(context, Children(tree.get()), &managed);
    ReplaceFramesByClients(context, &windows, managed);
    return windows;
}

}  // namespace

TopLevelWindows FindTopLevelWindows(X11Context& context) {
    xcb_connection_t* c = context.Connection();
    context.InternAtoms({"_NET_SUPPORTING_WM_CHECK", "_NET_CLIENT_LIST", "WM_STATE"});
    const xcb_atom_t check = context.Atom("_NET_SUPPORTING_WM_CHECK");
    const xcb_window_t root = context.Root();

    auto checkCookie = xcb_get_property(c, 0, root, check, XCB_ATOM_WINDOW, 0, 1);
    auto listCookie = xcb_get_property(c, 0, root, context.Atom("_NET_CLIENT_LIST"),
                                       XCB_ATOM_WINDOW, 0, kMaxListedWindows);
    // Asked at once so that the walk, when needed, costs no extra round trip.
    auto treeCookie = xcb_query_tree(c, root);

    const std::optional<xcb_window_t> wmWindow = WindowProperty(c, checkCookie);
    auto list = XcbTake(c, listCookie, xcb_get_property_reply);
    const bool haveList = list && list->type == XCB_ATOM_WINDOW && list->format == 32;
    // A window manager that has gone leaves its properties behind; its check window goes
    // with it, so asking the check window about itself tells a live one from a dead one.
    bool wmAlive = false;
    if (wmWindow && haveList) {
        auto self = xcb_get_property(c, 0, *wmWindow, check, XCB_ATOM_WINDOW, 0, 1);
        wmAlive = WindowProperty(c, self) == wmWindow;
    }
    if (wmAlive) {
        xcb_discard_reply(c, treeCookie.sequence);
        return {WindowList(list.get()), true};
    }
    return {WalkRootChildren(context, treeCookie), false};
}
