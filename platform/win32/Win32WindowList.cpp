#include "platform/win32/Win32WindowList.h"

#include <array>
#include <string>

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
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto& request = *reinterpret_cast<SnapshotRequest*>(context);
    if (window != request.applicationWindow && !IsOwnProcess(window) &&
        IsSwitchableWindow(window)) {
        request.windows.push_back(window);
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

QString ReadWindowTitle(HWND window) {
    // The length may grow between the two calls; the read is bounded by the buffer, so a
    // title that grew is cut, never overrun.
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    if (copied <= 0) {
        return {};
    }
    return QString::fromWCharArray(text.data(), copied);
}

QString ReadWindowExecutable(HWND window) {
    DWORD processId = 0;
    if (GetWindowThreadProcessId(window, &processId) == 0 || processId == 0) {
        return {};
    }
    // Limited information is all a path needs, and is granted for processes of other
    // integrity levels, where full query rights are not.
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        return {};
    }
    std::wstring path(32768, L'\0');  // the longest path the system knows
    auto length = static_cast<DWORD>(path.size());
    const BOOL read = QueryFullProcessImageNameW(process, 0, path.data(), &length);
    CloseHandle(process);
    return read ? QString::fromWCharArray(path.data(), static_cast<int>(length)) : QString();
}

WindowIdentity Win32WindowList::Identify(WindowHandle handle) {
    const HWND window = ToHwnd(handle);
    std::array<wchar_t, 257> name{};  // a class name has at most 256 characters
    const int length = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    if (length <= 0) {
        return {};
    }
    WindowIdentity identity;
    identity.windowClass = QString::fromWCharArray(name.data(), length);
    identity.executable = ReadWindowExecutable(window);
    identity.title = ReadWindowTitle(window);
    return identity;
}

std::vector<ListedWindow> Win32WindowList::Snapshot(WindowHandle applicationWindow) {
    SnapshotRequest request;
    request.applicationWindow = ToHwnd(applicationWindow);
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&request));
    std::vector<ListedWindow> windows;
    windows.reserve(request.windows.size());
    for (HWND window : request.windows) {
        // A window that closed while the list was read is left out.
        if (IsWindow(window)) {
            windows.push_back({ToWindowHandle(window), ReadWindowTitle(window)});
        }
    }
    return windows;
}
