// Which windows count as the desktop's top-level windows.
#pragma once

#include <vector>

#include "platform/x11/X11Context.h"

struct TopLevelWindows {
    std::vector<xcb_window_t> windows;
    // True when the list is the window manager's _NET_CLIENT_LIST, false when it was found
    // by walking the root's children.
    bool fromClientList = false;
};

// With a live EWMH window manager (its _NET_SUPPORTING_WM_CHECK window exists and points
// at itself) and a published _NET_CLIENT_LIST, that list in its own order. Otherwise the
// root's mapped children in stacking order, bottom first, leaving out override-redirect
// and input-only windows; a child that is a window manager's frame stands for the client
// inside it (the child that carries WM_STATE). Costs a fixed number of round trips
// however many windows there are.
TopLevelWindows FindTopLevelWindows(X11Context& context);
