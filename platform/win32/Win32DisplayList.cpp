#include "platform/win32/Win32DisplayList.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
    auto& monitors = *reinterpret_cast<std::vector<DisplayEntry>*>(context);
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        DisplayEntry entry;
        entry.display.rect =
            QRect(static_cast<int>(r.left), static_cast<int>(r.top),
                  static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top));
        entry.display.name = QString::fromWCharArray(info.szDevice);
        entry.primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
        monitors.push_back(entry);
    }
    return TRUE;
}

}  // namespace

void SortDisplays(std::vector<DisplayEntry>& monitors) {
    std::stable_sort(monitors.begin(), monitors.end(),
                     [](const DisplayEntry& a, const DisplayEntry& b) {
                         if (a.primary != b.primary) {
                             return a.primary;
                         }
                         if (a.display.rect.left() != b.display.rect.left()) {
                             return a.display.rect.left() < b.display.rect.left();
                         }
                         return a.display.rect.top() < b.display.rect.top();
                     });
}

std::vector<DisplayInfo> EnumerateDisplays() {
    std::vector<DisplayEntry> monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    SortDisplays(monitors);
    std::vector<DisplayInfo> displays;
    displays.reserve(monitors.size());
    for (const DisplayEntry& m : monitors) {
        displays.push_back(m.display);
    }
    return displays;
}

bool IsDisplayChangeMessage(const MSG& message) {
    return message.message == WM_DISPLAYCHANGE;
}

Win32DisplayList::Win32DisplayList() {
    WatchDisplayChanges();
}

Win32DisplayList::~Win32DisplayList() {
    if (watching_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

// Enumerated on every call, so each answer reflects the current layout.
std::vector<DisplayInfo> Win32DisplayList::Displays() {
    WatchDisplayChanges();
    return EnumerateDisplays();
}

void Win32DisplayList::WatchDisplayChanges() {
    if (watching_ || QCoreApplication::instance() == nullptr) {
        return;
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
    watching_ = true;
}

// Every top-level window gets its own WM_DISPLAYCHANGE; each one is announced, and the
// listeners read the displays again, which is cheap.
bool Win32DisplayList::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType == "windows_generic_MSG" && message != nullptr &&
        IsDisplayChangeMessage(*static_cast<const MSG*>(message))) {
        emit Changed();
    }
    return false;  // Qt handles the message as well
}
