#include "platform/win32/Win32WindowQuery.h"

#include <algorithm>
#include <vector>

#include "platform/win32/Win32Handles.h"

namespace {

// DwmGetWindowAttribute(DWMWA_CLOAKED) reports a cloaked window (on another virtual
// desktop, or a suspended store app) as non-zero. A system without the attribute answers
// with an error; the window then counts as not cloaked.
bool IsCloaked(HWND window) {
    DWORD cloaked = 0;
    const HRESULT result = DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked);
    return SUCCEEDED(result) && cloaked != 0;
}

bool IsOwnProcess(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

struct SnapshotRequest {
    HWND applicationWindow = nullptr;
    std::vector<WindowHandle> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto& request = *reinterpret_cast<SnapshotRequest*>(context);
    if (window != request.applicationWindow && !IsOwnProcess(window) &&
        IsSwitchableWindow(window)) {
        request.windows.push_back(ToWindowHandle(window));
    }
    return TRUE;
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
    auto& monitors = *reinterpret_cast<std::vector<MonitorEntry>*>(context);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        monitors.push_back(
            {{static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right - r.left),
              static_cast<int>(r.bottom - r.top)},
             (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}

}  // namespace

bool IsSwitchableWindow(HWND window) {
    if (!IsWindowVisible(window) || IsCloaked(window)) {
        return false;
    }
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    if ((exStyle & WS_EX_TOOLWINDOW) != 0) {
        return false;
    }
    const bool owned = GetWindow(window, GW_OWNER) != nullptr;
    return !owned || (exStyle & WS_EX_APPWINDOW) != 0;
}

std::vector<WindowHandle> SnapshotSwitchableWindows(HWND applicationWindow) {
    SnapshotRequest request;
    request.applicationWindow = applicationWindow;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&request));
    return std::move(request.windows);
}

int ReadWindowTitle(WindowHandle window, char16_t* buffer, int maxCount) {
    if (buffer == nullptr || maxCount <= 0) {
        return 0;
    }
    buffer[0] = u'\0';
    // wchar_t and char16_t are both UTF-16 units on Windows but distinct types: read into a
    // wchar_t buffer of the same bound and copy.
    std::vector<wchar_t> wide(static_cast<std::size_t>(maxCount), L'\0');
    int copied = GetWindowTextW(ToHwnd(window), wide.data(), maxCount);
    copied = std::clamp(copied, 0, maxCount - 1);
    std::copy_n(wide.begin(), copied, buffer);
    buffer[copied] = u'\0';
    return copied;
}

void SortMonitors(std::vector<MonitorEntry>& monitors) {
    std::stable_sort(monitors.begin(), monitors.end(),
                     [](const MonitorEntry& a, const MonitorEntry& b) {
                         if (a.primary != b.primary) {
                             return a.primary;
                         }
                         if (a.rect.left != b.rect.left) {
                             return a.rect.left < b.rect.left;
                         }
                         return a.rect.top < b.rect.top;
                     });
}

std::vector<DisplayRect> EnumerateMonitors() {
    std::vector<MonitorEntry> monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    SortMonitors(monitors);
    std::vector<DisplayRect> rects;
    rects.reserve(monitors.size());
    for (const MonitorEntry& m : monitors) {
        rects.push_back(m.rect);
    }
    return rects;
}
