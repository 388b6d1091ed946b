// The window query on Win32: a snapshot of the top-level windows a user can switch to,
// window titles, and the monitors.
#pragma once

#include "platform/win32/Win32Api.h"

#include <vector>

#include "platform/Platform.h"

// Whether the task switcher would offer this window: visible, not cloaked by the window
// manager, not a tool window, and not owned by another window unless it asks to appear
// on the taskbar (WS_EX_APPWINDOW).
bool IsSwitchableWindow(HWND window);

// The switchable top-level windows in z-order (topmost first), leaving out every window of
// this process and the given application window.
std::vector<WindowHandle> SnapshotSwitchableWindows(HWND applicationWindow);

// The title of a window, UTF-16, bounded as the interface's GetWindowText describes.
int ReadWindowTitle(WindowHandle window, char16_t* buffer, int maxCount);

// One monitor as EnumDisplayMonitors reports it.
struct MonitorEntry {
    DisplayRect rect;
    bool primary = false;
};

// Primary first, then by left edge, then by top edge.
void SortMonitors(std::vector<MonitorEntry>& monitors);

// The monitors now attached to the desktop, in the interface's numbering; each rectangle is
// the monitor's full area (rcMonitor), not its work area.
std::vector<DisplayRect> EnumerateMonitors();
