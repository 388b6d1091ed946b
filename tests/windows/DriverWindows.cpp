#include "tests/windows/DriverWindows.h"

#include <cstdio>

#include "tests/windows/SharedCapture.h"

namespace {

constexpr DWORD kPollStepMs = 50;

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
    auto& lines = *reinterpret_cast<std::vector<MonitorLine>*>(context);
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        lines.push_back(
            {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0, info.szDevice});
    }
    return TRUE;
}

struct TitleSearch {
    std::wstring title;
    HWND found = nullptr;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<TitleSearch*>(context);
    if (IsWindowVisible(window) && WindowText(window) == search.title) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindVisible(const std::wstring& title) {
    TitleSearch search{title};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Into a window's paint DC, or into the DC PrintWindow hands over with WM_PRINTCLIENT.
void PaintQuadrants(HWND window, HDC dc) {
    RECT client;
    GetClientRect(window, &client);
    const LONG midX = client.right / 2;
    const LONG midY = client.bottom / 2;
    const struct {
        RECT rect;
        COLORREF colour;
    } quadrants[] = {
        {{0, 0, midX, midY}, RGB(255, 0, 0)},
        {{midX, 0, client.right, midY}, RGB(0, 255, 0)},
        {{0, midY, midX, client.bottom}, RGB(0, 0, 255)},
        {{midX, midY, client.right, client.bottom}, RGB(255, 255, 0)},
    };
    for (const auto& q : quadrants) {
        const HBRUSH brush = CreateSolidBrush(q.colour);
        FillRect(dc, &q.rect, brush);
        DeleteObject(brush);
    }
}

// The stand-in dwmapi's request for the client area's image (SharedCapture.h).
LRESULT PaintIntoSharedMapping(HWND window, HANDLE mapping, int width, int height) {
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO format = SharedCaptureFormat(width, height);
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(memory, &format, DIB_RGB_COLORS, &bits, mapping, 0);
    LRESULT painted = 0;
    if (bitmap != nullptr) {
        const HGDIOBJ previous = SelectObject(memory, bitmap);
        PaintQuadrants(window, memory);
        GdiFlush();
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        painted = 1;
    }
    DeleteDC(memory);
    CloseHandle(mapping);
    return painted;
}

LRESULT CALLBACK QuadrantProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static const UINT sharedCapture = RegisterWindowMessageW(kSharedCaptureMessage);
    if (message == sharedCapture) {
        return PaintIntoSharedMapping(window, reinterpret_cast<HANDLE>(wParam), LOWORD(lParam),
                                      HIWORD(lParam));
    }
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            PaintQuadrants(window, BeginPaint(window, &paint));
            EndPaint(window, &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintQuadrants(window, reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

std::vector<MonitorLine> ListMonitors() {
    std::vector<MonitorLine> lines;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&lines));
    return lines;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int length = static_cast<int>(text.size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    const int length = GetWindowTextW(window, text, 1024);
    return std::wstring(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::uint32_t HandleValue(HWND window) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}

std::wstring ClassOf(HWND window) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    return className;
}

bool PressKeys(const std::vector<WORD>& keys) {
    std::vector<INPUT> inputs;
    for (const WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *key;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    const auto count = static_cast<UINT>(inputs.size());
    return SendInput(count, inputs.data(), sizeof(INPUT)) == count;
}

RECT ClientOnScreen(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(&client, origin.x, origin.y);
    return client;
}

HWND PollForWindow(const std::wstring& title, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (const HWND window = FindVisible(title)) {
            return window;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return nullptr;
        }
        Sleep(kPollStepMs);
    }
}

bool PollUntilGone(const std::wstring& title, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (FindVisible(title) != nullptr) {
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(kPollStepMs);
    }
    return true;
}

namespace {

// A mouse input at a screen position (absolute over the virtual screen); false when the
// screen has no size.
bool MouseInputAt(int x, int y, INPUT* input) {
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    if (width <= 1 || height <= 1) {
        return false;
    }
    *input = INPUT{};
    input->type = INPUT_MOUSE;
    input->mi.dx = MulDiv(x - left, 65535, width - 1);
    input->mi.dy = MulDiv(y - top, 65535, height - 1);
    input->mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    return true;
}

}  // namespace

bool MoveTo(int x, int y) {
    INPUT input;
    if (!MouseInputAt(x, y, &input)) {
        return false;
    }
    input.mi.dwFlags |= MOUSEEVENTF_MOVE;
    return SendInput(1, &input, sizeof(INPUT)) == 1;
}

bool ClickAt(int x, int y) {
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        if (!MouseInputAt(x, y, &input)) {
            return false;
        }
    }
    inputs[0].mi.dwFlags |= MOUSEEVENTF_MOVE;
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    // Paced as a hand clicks: a press that arrives together with the move and the release
    // can be taken by the window's activation in Wine's virtual desktop and never reach
    // the button.
    constexpr DWORD kHandPaceMs = 80;
    for (INPUT& input : inputs) {
        if (SendInput(1, &input, sizeof(INPUT)) != 1) {
            return false;
        }
        Sleep(kHandPaceMs);
    }
    return true;
}

bool CloseByTitle(const std::wstring& title) {
    const HWND window = FindVisible(title);
    return window != nullptr && PostMessageW(window, WM_CLOSE, 0, 0) != FALSE;
}

int RunQuadrantWindow(const std::wstring& title, int width, int height) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = QuadrantProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"VantrelQuadrants";
    if (RegisterClassExW(&wc) == 0) {
        return 1;
    }
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    // In the screen's top right corner, clear of the centred main window's buttons.
    const int frameWidth = frame.right - frame.left;
    const int left = GetSystemMetrics(SM_CXSCREEN) - frameWidth - 8;
    const HWND window = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW,
                                        left, 8, frameWidth, frame.bottom - frame.top, nullptr,
                                        nullptr, wc.hInstance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    std::printf("%lu\n", static_cast<unsigned long>(HandleValue(window)));
    std::fflush(stdout);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
