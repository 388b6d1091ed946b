// A window's WM_CLASS and the executable of the process that made it, as X11WindowList's
// Identify answers them.
#pragma once

#include <xcb/xcb.h>

#include "platform/WindowList.h"
#include "platform/x11/connection/X11Context.h"

// Nothing known for a window that has gone. The executable is read from /proc only when
// the window's _NET_WM_PID belongs to this host (WM_CLIENT_MACHINE).
WindowIdentity ReadWindowIdentity(X11Context& context, xcb_window_t window);
