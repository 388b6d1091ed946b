// The window list on Win32: the top-level windows a user can switch to, with their titles.
#pragma once

#include "platform/win32/Win32Api.h"

#include <QString>

#include <vector>

#include "platform/WindowList.h"

// Whether the task switcher would offer this window: visible, not cloaked by the window
// manager, not a tool window, and not owned by another window unless it asks to appear
// on the taskbar (WS_EX_APPWINDOW).
bool IsSwitchableWindow(HWND window);

// The title of a window as GetWindowTextW reads it whole; empty for a window that is gone.
QString ReadWindowTitle(HWND window);

// The full path of the program that owns the window; empty for a window that is gone or a
// process this user may not ask about.
QString ReadWindowExecutable(HWND window);

class Win32WindowList final : public WindowList {
  public:
    // The program's path, the window class and the title; nothing for a window that is gone.
    WindowIdentity Identify(WindowHandle window) override;
    // The switchable top-level windows in z-order (topmost first), leaving out every window
    // of this process and the given application window.
    std::vector<ListedWindow> Snapshot(WindowHandle applicationWindow) override;
};
