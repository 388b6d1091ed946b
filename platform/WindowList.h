// The windows a taskbar would show, as the program lists them.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// A top-level window as the platform names it: the X window id, a HWND on Windows.
using WindowHandle = std::uint32_t;

struct ListedWindow {
    WindowHandle handle = 0;
    QString title;
    friend bool operator==(const ListedWindow&, const ListedWindow&) = default;
};

// What the desktop tells of a window, enough to know it again once it has been closed and
// opened anew (a program restarted). Empty fields are not known.
struct WindowIdentity {
    QString instance;     // X11: WM_CLASS's instance name
    QString windowClass;  // X11: WM_CLASS's class; Windows: the window class; Wayland: app id
    QString executable;   // the program's file, where the desktop tells which process it is
    QString title;
    friend bool operator==(const WindowIdentity&, const WindowIdentity&) = default;
};

class WindowList {
  public:
    virtual ~WindowList() = default;
    // What the desktop tells of a listed window besides its title (which the caller has);
    // nothing where the backend knows no more or the window has gone.
    virtual WindowIdentity Identify(WindowHandle /*window*/) { return {}; }
    // A fresh snapshot, in the platform's order, without the program's own windows and
    // without `applicationWindow`. A window that vanishes while it is read is left out.
    virtual std::vector<ListedWindow> Snapshot(WindowHandle applicationWindow) = 0;
};
