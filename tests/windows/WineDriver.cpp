// Drives the Windows program under Wine for the end-to-end script, through user32 as a
// user's tools would: finds windows by title, reads a message box and presses its OK button,
// clicks at screen positions, shows a source window of four coloured quadrants, reads a
// shortcut's target and lists the monitors. Each command prints what it found on standard
// output and exits with 0 when it succeeded.
#include <windows.h>
// windows.h first.
#include <objbase.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/windows/DriverWindows.h"
#include "tests/windows/MessageBoxes.h"

namespace {

constexpr int kUsage = 64;

int Monitors() {
    for (const MonitorLine& m : ListMonitors()) {
        std::printf("%ld %ld %ld %ld %d %ls\n", m.rect.left, m.rect.top, m.rect.right - m.rect.left,
                    m.rect.bottom - m.rect.top, m.primary ? 1 : 0, m.device.c_str());
    }
    return 0;
}

// "wait-window TITLE MS": the window's client area in screen coordinates once it is visible.
int WaitWindow(const std::wstring& title, DWORD timeoutMs) {
    const HWND window = PollForWindow(title, timeoutMs);
    if (window == nullptr) {
        std::fprintf(stderr, "no visible window \"%ls\"\n", title.c_str());
        return 1;
    }
    const RECT client = ClientOnScreen(window);
    std::printf("%lu %ld %ld %ld %ld\n", static_cast<unsigned long>(HandleValue(window)),
                client.left, client.top, client.right - client.left, client.bottom - client.top);
    return 0;
}

// "wait-gone TITLE MS": succeeds once no visible window has the title.
int WaitGone(const std::wstring& title, DWORD timeoutMs) {
    if (!PollUntilGone(title, timeoutMs)) {
        std::fprintf(stderr, "window \"%ls\" is still there\n", title.c_str());
        return 1;
    }
    return 0;
}

// "message-box CAPTION-PREFIX MS": the caption and text of the first message box shown
// whose caption starts so, then its OK button pressed.
int MessageBoxCommand(const std::wstring& captionPrefix, DWORD timeoutMs) {
    const HWND box = PollForMessageBox(captionPrefix, timeoutMs);
    if (box == nullptr) {
        std::fprintf(stderr, "no message box appeared\n");
        return 1;
    }
    MessageBoxContent content;
    if (!ReadMessageBox(box, &content)) {
        std::fprintf(stderr, "could not read the message box\n");
        return 1;
    }
    std::printf("title: %s\ntext: %s\n", ToUtf8(content.caption).c_str(),
                ToUtf8(content.text).c_str());
    std::fflush(stdout);
    return PressOk(box) ? 0 : 1;
}

// "shortcut-target LNK": the program a shell link starts.
int ShortcutTarget(const std::wstring& link) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return 1;
    }
    int result = 1;
    IShellLinkW* shellLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shellLink)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(
                shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t target[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
                SUCCEEDED(shellLink->GetPath(target, MAX_PATH, nullptr, 0))) {
                std::printf("%s\n", ToUtf8(target).c_str());
                result = 0;
            }
            file->Release();
        }
        shellLink->Release();
    }
    CoUninitialize();
    return result;
}

// "tray-rect": where Wine's notification area is, in screen coordinates.
int TrayRect() {
    const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (tray == nullptr || !IsWindowVisible(tray)) {
        return 1;
    }
    RECT r{};
    GetWindowRect(tray, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}

// "raise TITLE": brings the window with the title to the top, in front of the others.
int Raise(const std::wstring& title) {
    const HWND window = PollForWindow(title, 0);
    if (window == nullptr) {
        return 1;
    }
    SetForegroundWindow(window);
    return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE) ? 0 : 1;
}

int Usage() {
    std::fprintf(
        stderr,
        "usage: wine_driver monitors | wait-window TITLE MS | wait-gone TITLE MS |\n"
        "       message-box CAPTION-PREFIX MS | click X Y | close TITLE | quadrants TITLE W H |\n"
        "       shortcut-target LNK | tray-rect | raise TITLE | cursor X Y\n");
    return kUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    const auto number = [&](std::size_t i) { return std::wcstol(args[i].c_str(), nullptr, 10); };
    if (args.size() == 1 && args[0] == L"monitors") {
        return Monitors();
    }
    if (args.size() == 3 && args[0] == L"wait-window") {
        return WaitWindow(args[1], static_cast<DWORD>(number(2)));
    }
    if (args.size() == 3 && args[0] == L"wait-gone") {
        return WaitGone(args[1], static_cast<DWORD>(number(2)));
    }
    if (args.size() == 3 && args[0] == L"message-box") {
        return MessageBoxCommand(args[1], static_cast<DWORD>(number(2)));
    }
    if (args.size() == 3 && args[0] == L"click") {
        return ClickAt(static_cast<int>(number(1)), static_cast<int>(number(2))) ? 0 : 1;
    }
    if (args.size() == 2 && args[0] == L"raise") {
        return Raise(args[1]);
    }
    if (args.size() == 3 && args[0] == L"cursor") {
        return MoveTo(static_cast<int>(number(1)), static_cast<int>(number(2))) ? 0 : 1;
    }
    if (args.size() == 2 && args[0] == L"close") {
        return CloseByTitle(args[1]) ? 0 : 1;
    }
    if (args.size() == 4 && args[0] == L"quadrants") {
        return RunQuadrantWindow(args[1], static_cast<int>(number(2)), static_cast<int>(number(3)));
    }
    if (args.size() == 1 && args[0] == L"tray-rect") {
        return TrayRect();
    }
    if (args.size() == 2 && args[0] == L"shortcut-target") {
        return ShortcutTarget(args[1]);
    }
    return Usage();
}
