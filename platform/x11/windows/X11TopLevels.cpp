#include "platform/x11/windows/X11TopLevels.h"

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

}  // namespace

X11TopLevels::X11TopLevels(X11Context& context) : context_(context) {
    context_.InternAtoms({"_NET_SUPPORTING_WM_CHECK", "_NET_CLIENT_LIST", "WM_STATE"});
}

TopLevelWindows X11TopLevels::Find(X11WindowFacts& facts) {
    xcb_connection_t* c = context_.Connection();
    const xcb_atom_t check = context_.Atom("_NET_SUPPORTING_WM_CHECK");
    const xcb_window_t root = context_.Root();

    // One round trip: the check window named on the root, the client list, the check
    // window named last time asked about itself, and (unless a window manager ran last
    // time) the root's children for the walk.
    auto checkCookie = xcb_get_property(c, 0, root, check, XCB_ATOM_WINDOW, 0, 1);
    auto listCookie = xcb_get_property(c, 0, root, context_.Atom("_NET_CLIENT_LIST"),
                                       XCB_ATOM_WINDOW, 0, kMaxListedWindows);
    std::optional<xcb_get_property_cookie_t> selfCookie;
    if (checkWindow_ != XCB_WINDOW_NONE) {
        selfCookie = xcb_get_property(c, 0, checkWindow_, check, XCB_ATOM_WINDOW, 0, 1);
    }
    std::optional<xcb_query_tree_cookie_t> treeCookie;
    if (!lastFromClientList_) {
        treeCookie = xcb_query_tree(c, root);
    }

    auto list = XcbTake(c, listCookie, xcb_get_property_reply);
    const bool haveList = list && list->type == XCB_ATOM_WINDOW && list->format == 32;
    lastFromClientList_ = WindowManagerAlive(checkCookie, selfCookie, haveList);
    if (lastFromClientList_) {
        if (treeCookie) {
            xcb_discard_reply(c, treeCookie->sequence);
        }
        // Nothing keeps the walk's knowledge fresh meanwhile that a new walk would not
        // read again: start from nothing when the window manager goes.
        children_.clear();
        holder_.clear();
        return {WindowList(list.get()), true, {}};
    }
    if (!treeCookie) {
        treeCookie = xcb_query_tree(c, root);
    }
    return Walk(*treeCookie, facts);
}

// A window manager that has gone leaves its properties behind; its check window goes with
// it, so asking the check window about itself tells a live one from a dead one.
bool X11TopLevels::WindowManagerAlive(xcb_get_property_cookie_t rootCheck,
                                      std::optional<xcb_get_property_cookie_t> selfCheck,
                                      bool haveList) {
    xcb_connection_t* c = context_.Connection();
    const std::optional<xcb_window_t> named = WindowProperty(c, rootCheck);
    std::optional<xcb_window_t> self;
    if (selfCheck) {
        self = WindowProperty(c, *selfCheck);
    }
    if (!named || !haveList) {
        checkWindow_ = named.value_or(XCB_WINDOW_NONE);
        return false;
    }
    if (!selfCheck || *named != checkWindow_) {
        // A new check window: one more round trip, once.
        const xcb_atom_t check = context_.Atom("_NET_SUPPORTING_WM_CHECK");
        self = WindowProperty(c, xcb_get_property(c, 0, *named, check, XCB_ATOM_WINDOW, 0, 1));
        checkWindow_ = *named;
    }
    return self == named;
}

TopLevelWindows X11TopLevels::Walk(xcb_query_tree_cookie_t rootTree, X11WindowFacts& facts) {
    auto tree = XcbTake(context_.Connection(), rootTree, xcb_query_tree_reply);
    const std::vector<xcb_window_t> order = Children(tree.get());
    ++generation_;
    std::vector<xcb_window_t> undescribed;
    for (xcb_window_t w : order) {
        RootChild& child = children_[w];
        child.generation = generation_;
        if (!child.described) {
            undescribed.push_back(w);
        }
    }
    // Root children that are gone (their DestroyNotify may not have been handled yet).
    for (auto it = children_.begin(); it != children_.end();) {
        if (it->second.generation != generation_) {
            ForgetInner(it->first, it->second);
            it = children_.erase(it);
        } else {
            ++it;
        }
    }
    Describe(undescribed);
    std::vector<xcb_window_t> unopened;
    for (xcb_window_t w : order) {
        const RootChild& child = children_[w];
        if (child.candidate && !child.opened) {
            unopened.push_back(w);
        }
    }
    Open(unopened);

    TopLevelWindows found;
    for (xcb_window_t w : order) {
        const RootChild& child = children_[w];
        if (child.candidate) {
            found.consulted.push_back(w);
            // A host may hold one of the program's windows (a tray, a window manager
            // without EWMH): its events are Qt's business, so it is never consulted.
            for (xcb_window_t inner : child.inner) {
                if (!context_.IsOwnResource(inner)) {
                    found.consulted.push_back(inner);
                }
            }
        }
    }
    facts.Ensure(found.consulted);
    auto managed = [&facts](xcb_window_t w) {
        const X11WindowFacts::Facts* f = facts.Find(w);
        return f != nullptr && f->hasWmState;
    };
    for (xcb_window_t w : order) {
        const RootChild& child = children_[w];
        if (!child.candidate) {
            continue;
        }
        // A child without WM_STATE may be a reparenting window manager's frame, holding
        // the client as a child with WM_STATE; without a window manager no window has it
        // and each stands for itself.
        xcb_window_t stands = w;
        if (!managed(w)) {
            for (xcb_window_t inner : child.inner) {
                if (managed(inner)) {
                    stands = inner;
                    break;
                }
            }
        }
        found.windows.push_back(stands);
    }
    return found;
}

// The root children a user could switch to: mapped, managed or not, but not
// override-redirect (menus, tooltips), not input-only, and not the program's own (whose
// children's events are Qt's business). Those report changes to their children from now on.
void X11TopLevels::Describe(const std::vector<xcb_window_t>& windows) {
    if (windows.empty()) {
        return;
    }
    auto candidate = [this](xcb_window_t w, const xcb_get_window_attributes_reply_t& attrs) {
        return attrs.map_state != XCB_MAP_STATE_UNMAPPED && !attrs.override_redirect &&
               attrs._class != XCB_WINDOW_CLASS_INPUT_ONLY && !context_.IsOwnResource(w);
    };
    const auto attrs =
        context_.DescribeAndSelect(windows, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY, candidate);
    for (std::size_t i = 0; i < windows.size(); ++i) {
        RootChild& child = children_[windows[i]];
        ForgetInner(windows[i], child);
        child.opened = false;
        // A child that vanished meanwhile stays undescribed: its DestroyNotify follows, or
        // the next walk no longer finds it.
        child.described = attrs[i] != nullptr;
        child.candidate = attrs[i] && candidate(windows[i], *attrs[i]);
    }
}

// Reads which windows each candidate holds (after Describe asked it to report changes to
// them, so none is missed), in one round trip.
void X11TopLevels::Open(const std::vector<xcb_window_t>& windows) {
    const auto trees =
        XcbTakeAll(context_.Connection(), windows, xcb_query_tree, xcb_query_tree_reply);
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const auto& tree = trees[i];
        RootChild& child = children_[windows[i]];
        ForgetInner(windows[i], child);
        child.inner = Children(tree.get());
        child.opened = tree != nullptr;
        for (xcb_window_t inner : child.inner) {
            holder_[inner] = windows[i];
        }
    }
}

void X11TopLevels::ForgetInner(xcb_window_t window, RootChild& child) {
    for (xcb_window_t inner : child.inner) {
        if (auto it = holder_.find(inner); it != holder_.end() && it->second == window) {
            holder_.erase(it);
        }
    }
    child.inner.clear();
}

// What a root child holds changed: read it again at the next walk.
void X11TopLevels::Reopen(xcb_window_t window) {
    if (auto it = children_.find(window); it != children_.end()) {
        it->second.opened = false;
    }
}

void X11TopLevels::DropRootChild(xcb_window_t window) {
    if (auto it = children_.find(window); it != children_.end()) {
        ForgetInner(window, it->second);
        children_.erase(it);
    }
}

// The window left the root child that held it: that child is read again at the next walk.
void X11TopLevels::LeaveHolder(xcb_window_t window) {
    if (auto it = holder_.find(window); it != holder_.end()) {
        Reopen(it->second);
        holder_.erase(it);
    }
}

void X11TopLevels::OnEvent(xcb_generic_event_t* event) {
    if (IsForgedStructureEvent(event)) {
        return;
    }
    const xcb_window_t root = context_.Root();
    switch (event->response_type & 0x7f) {
        // Events arrive in the order things happened, and a window's id is only handed out
        // again after its DestroyNotify: a root child already known when its creation (or
        // arrival) is reported was found by a walk that came after it, and is kept.
        case XCB_CREATE_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_create_notify_event_t*>(event);
            if (e->parent == root) {
                children_.try_emplace(e->window);
            } else {
                Reopen(e->parent);
            }
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            const xcb_window_t w = reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window;
            LeaveHolder(w);
            DropRootChild(w);
            break;
        }
        case XCB_REPARENT_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_reparent_notify_event_t*>(event);
            LeaveHolder(e->window);
            if (e->parent == root) {
                children_.try_emplace(e->window);
            } else {
                DropRootChild(e->window);
                Reopen(e->parent);
            }
            break;
        }
        case XCB_MAP_NOTIFY: {
            // Late news of a mapping the last walk already saw changes nothing.
            const auto* e = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (auto it = children_.find(e->window);
                it != children_.end() && (!it->second.candidate || e->override_redirect)) {
                it->second.described = false;
            }
            break;
        }
        case XCB_UNMAP_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_unmap_notify_event_t*>(event);
            if (auto it = children_.find(e->window); it != children_.end()) {
                it->second.candidate = false;
            }
            break;
        }
        default:
            break;
    }
}
