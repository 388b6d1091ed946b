// What a clone window asks of the window manager before it is first mapped: shown on every
// workspace, full-screen on its display but in the normal stacking layer (other windows may
// cover it), no taskbar or pager entry, and never the keyboard focus. The program itself
// puts the window exactly on its display.
#pragma once

#include <xcb/xcb.h>

#include "platform/x11/connection/X11Context.h"

// Sets _NET_WM_DESKTOP to all desktops, adds STICKY, FULLSCREEN, SKIP_TASKBAR and
// SKIP_PAGER to _NET_WM_STATE (FULLSCREEN not under IceWM, where a full-screen window that
// refuses the focus takes it from the active window for good) (keeping what is there; Qt keeps
// atoms it does not manage when it maps the window), sets the WM_HINTS input field to False and
// takes WM_TAKE_FOCUS out of WM_PROTOCOLS. Under i3 and awesome the window is made
// override-redirect instead of being left to the manager. Used for the number overlays of
// Identify Monitors too. False when the server refused a change (the window is gone).
bool PrepareX11CloneWindow(X11Context& context, xcb_window_t window);
