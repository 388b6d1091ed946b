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

class WindowList {
  public:
    virtual ~WindowList() = default;
    // A fresh snapshot, in the platform's order, without the program's own windows and
    // without `applicationWindow`. A window that vanishes while it is read is left out.
    virtual std::vector<ListedWindow> Snapshot(WindowHandle applicationWindow) = 0;
};
