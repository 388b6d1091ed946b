// Which windows count as the desktop's top-level windows.
//
// With a live EWMH window manager (its _NET_SUPPORTING_WM_CHECK window exists and points
// at itself) and a published _NET_CLIENT_LIST, that list in its own order. Otherwise the
// root's mapped children in stacking order, bottom first, leaving out override-redirect
// and input-only windows; a child that is a window manager's frame stands for the client
// inside it (the child that carries WM_STATE).
//
// Membership and order are asked of the server at every snapshot, in one round trip (the
// client list, the window manager's check window and the root's children together), so a
// window that appears, vanishes or is restacked shows at once. What each root child is
// (mapped, override-redirect, input-only) and which windows it holds are kept between
// snapshots: the root reports its children's creation, destruction, mapping and
// reparenting, and every listed root child the same for its own children. Such an event
// drops what was kept about the window concerned, and the next snapshot reads it again.
#pragma once

#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/x11/connection/X11Context.h"
#include "platform/x11/windows/X11WindowFacts.h"

struct TopLevelWindows {
    std::vector<xcb_window_t> windows;
    // True when the list is the window manager's _NET_CLIENT_LIST, false when it was found
    // by walking the root's children.
    bool fromClientList = false;
    // Every window whose facts the walk used (the listed ones included); empty for a
    // client list.
    std::vector<xcb_window_t> consulted;
};

class X11TopLevels {
  public:
    explicit X11TopLevels(X11Context& context);

    // Costs one round trip when nothing changed since the last call; windows new to it cost
    // a fixed number more, however many there are. Reads the facts the walk needs (WM_STATE)
    // into facts.
    TopLevelWindows Find(X11WindowFacts& facts);
    void OnEvent(xcb_generic_event_t* event);

  private:
    struct RootChild {
        bool described = false;  // the fields below hold
        bool candidate = false;  // mapped, not override-redirect, not input-only, not ours
        bool opened = false;     // its children are known (and it reports their changes)
        std::vector<xcb_window_t> inner;
        unsigned generation = 0;  // of the last walk that found it
    };
    bool WindowManagerAlive(xcb_get_property_cookie_t rootCheck,
                            std::optional<xcb_get_property_cookie_t> selfCheck, bool haveList);
    TopLevelWindows Walk(xcb_query_tree_cookie_t rootTree, X11WindowFacts& facts);
    void Describe(const std::vector<xcb_window_t>& children);
    void Open(const std::vector<xcb_window_t>& children);
    void ForgetInner(xcb_window_t window, RootChild& child);
    void Reopen(xcb_window_t window);
    void DropRootChild(xcb_window_t window);
    void LeaveHolder(xcb_window_t window);

    X11Context& context_;
    xcb_window_t checkWindow_ = XCB_WINDOW_NONE;  // the check window named last time
    bool lastFromClientList_ = false;
    unsigned generation_ = 0;
    std::unordered_map<xcb_window_t, RootChild> children_;
    std::unordered_map<xcb_window_t, xcb_window_t> holder_;  // inner window -> root child
};
