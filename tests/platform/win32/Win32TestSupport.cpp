#include "tests/platform/win32/Win32TestSupport.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <thread>

#include "platform/win32/Win32SystemServices.h"

namespace {

constexpr wchar_t kWindowClass[] = L"VantrelWin32TestWindow";

void RegisterTestClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);  // a second registration fails harmlessly
}

HWND MakeWindow(const std::wstring& title, DWORD exStyle, HWND owner, bool visible) {
    RegisterTestClass();
    HWND window = CreateWindowExW(exStyle, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, 10, 10,
                                  200, 120, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr && visible) {
        ShowWindow(window, SW_SHOWNOACTIVATE);
    }
    return window;
}

std::wstring Widen(const char* text) {
    return std::wstring(text, text + std::strlen(text));
}

// "--child-guard NAME": exits with ERROR_ALREADY_EXISTS when the guard was already held, 0
// when this copy made it, kChildFailed when the call failed.
int ChildGuard(const char* name) {
    const Win32InstanceGuard guard(QString::fromLocal8Bit(name));
    if (!guard.Held()) {
        return kChildFailed;
    }
    return guard.AlreadyRunning() ? ERROR_ALREADY_EXISTS : 0;
}

// "--child-windows EVENT": shows windows of every kind the window query has to judge,
// prints "role handle" lines and "ready", then serves its windows until EVENT is set.
int ChildWindows(const char* eventName) {
    const HANDLE quit = OpenEventW(SYNCHRONIZE, FALSE, Widen(eventName).c_str());
    if (quit == nullptr) {
        return kChildFailed;
    }
    HWND unicode = MakeWindow(UnicodeTitle(), 0, nullptr, true);
    const std::pair<const char*, HWND> windows[] = {
        {"unicode", unicode},
        {"long", MakeWindow(LongTitle(), 0, nullptr, true)},
        {"untitled", MakeWindow(L"", 0, nullptr, true)},
        {"hidden", MakeWindow(L"Hidden", 0, nullptr, false)},
        {"tool", MakeWindow(L"Tool", WS_EX_TOOLWINDOW, nullptr, true)},
        {"owned", MakeWindow(L"Owned", 0, unicode, true)},
        {"ownedapp", MakeWindow(L"Owned app", WS_EX_APPWINDOW, unicode, true)},
        {"tohide", MakeWindow(L"To hide", 0, nullptr, true)},
        {"toclose", MakeWindow(L"To close", 0, nullptr, true)},
    };
    for (const auto& [role, window] : windows) {
        if (window == nullptr) {
            return kChildFailed;
        }
        std::printf("%s %lu\n", role, static_cast<unsigned long>(ToWindowHandle(window)));
    }
    std::printf("ready\n");
    std::fflush(stdout);
    const DWORD deadline = GetTickCount() + 120000;
    while (GetTickCount() < deadline) {
        const DWORD wait = MsgWaitForMultipleObjects(1, &quit, FALSE, 1000, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) {
            break;
        }
        PumpMessages();
    }
    CloseHandle(quit);
    return 0;
}

std::vector<wchar_t> EnvironmentWith(const std::vector<std::wstring>& extra) {
    std::vector<wchar_t> block;
    for (const std::wstring& entry : extra) {
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back(L'\0');
    }
    wchar_t* current = GetEnvironmentStringsW();
    for (const wchar_t* p = current; *p != L'\0'; p += std::wcslen(p) + 1) {
        const std::wstring_view entry(p);
        bool replaced = false;
        for (const std::wstring& e : extra) {
            const auto name = e.substr(0, e.find(L'=') + 1);
            replaced = replaced || entry.substr(0, name.size()) == name;
        }
        if (!replaced) {
            block.insert(block.end(), entry.begin(), entry.end());
            block.push_back(L'\0');
        }
    }
    FreeEnvironmentStringsW(current);
    block.push_back(L'\0');
    return block;
}

}  // namespace

std::wstring UnicodeTitle() {
    return L"Gr\u00fc\u00dfe \u2013 \u65e5\u672c";
}

std::wstring LongTitle() {
    std::wstring title;
    for (int i = 0; i < 600; ++i) {
        title.push_back(static_cast<wchar_t>(L'a' + i % 26));
    }
    title[599] = L'\u00e9';
    return title;
}

bool RunChildMode(int argc, char** argv, int* exitCode) {
    if (argc == 3 && std::strcmp(argv[1], "--child-guard") == 0) {
        *exitCode = ChildGuard(argv[2]);
        return true;
    }
    if (argc == 3 && std::strcmp(argv[1], "--child-windows") == 0) {
        *exitCode = ChildWindows(argv[2]);
        return true;
    }
    return false;
}

bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

ChildProcess::ChildProcess(const std::wstring& arguments,
                           const std::vector<std::wstring>& extraEnvironment) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&output_, &writeEnd, &inherit, 0)) {
        return;
    }
    SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::vector<wchar_t> environment = EnvironmentWith(extraEnvironment);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(self, commandLine.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                       environment.data(), nullptr, &startup, &info)) {
        process_ = info.hProcess;
        CloseHandle(info.hThread);
    }
    CloseHandle(writeEnd);  // the child holds the only write end now: EOF when it ends
}

ChildProcess::~ChildProcess() {
    if (process_ != nullptr) {
        Wait();
        CloseHandle(process_);
    }
    if (output_ != nullptr) {
        CloseHandle(output_);
    }
}

bool ChildProcess::ReadUntilReady(std::vector<std::string>* lines) {
    char chunk[256];
    DWORD got = 0;
    for (;;) {
        std::size_t end;
        while ((end = pending_.find('\n')) != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (line == "ready") {
                return true;
            }
            lines->push_back(line);
        }
        if (!ReadFile(output_, chunk, sizeof chunk, &got, nullptr) || got == 0) {
            return false;  // the child ended without saying ready
        }
        pending_.append(chunk, got);
    }
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (process_ == nullptr) {
        return -1;
    }
    if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, INFINITE);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<int>(code);
}

int RunChild(const std::wstring& arguments, const std::vector<std::wstring>& extraEnvironment) {
    ChildProcess child(arguments, extraEnvironment);
    return child.Wait();
}

OwnWindow::OwnWindow(const std::wstring& title, DWORD exStyle, HWND owner, bool visible)
    : window_(MakeWindow(title, exStyle, owner, visible)) {}

OwnWindow::~OwnWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
