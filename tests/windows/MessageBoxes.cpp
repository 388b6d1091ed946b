#include "tests/windows/MessageBoxes.h"

#include <vector>

#include "tests/windows/DriverWindows.h"

namespace {

constexpr DWORD kPollStepMs = 50;
constexpr int kCopyAttempts = 10;

struct BoxSearch {
    std::wstring prefix;
    HWND found = nullptr;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<BoxSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (IsWindowVisible(window) && process != GetCurrentProcessId() &&
        WindowText(window).rfind(search.prefix, 0) == 0) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM context) {
    auto& text = *reinterpret_cast<std::wstring*>(context);
    const std::wstring line = WindowText(child);
    if (ClassOf(child) == L"Static" && !line.empty()) {
        text += text.empty() ? line : L"\n" + line;
    }
    return TRUE;
}

bool IsNativeBox(HWND box) {
    return ClassOf(box) == L"#32770";
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) {
        return text;
    }
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void EmptyTheClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// Ctrl+C on the focused box, then the clipboard polled for a while; a few tries, since the
// box may not have the keyboard yet.
bool CopyFromToolkitBox(HWND box, MessageBoxContent* content) {
    EmptyTheClipboard();
    for (int attempt = 0; attempt < kCopyAttempts; ++attempt) {
        SetForegroundWindow(box);
        PressKeys({VK_CONTROL, 'C'});
        for (int poll = 0; poll < 10; ++poll) {
            if (ParseCopiedMessageBox(ClipboardText(), content)) {
                return true;
            }
            Sleep(kPollStepMs);
        }
    }
    return false;
}

}  // namespace

HWND PollForMessageBox(const std::wstring& captionPrefix, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        BoxSearch search{captionPrefix};
        EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return nullptr;
        }
        Sleep(kPollStepMs);
    }
}

bool ReadMessageBox(HWND box, MessageBoxContent* content) {
    if (!IsNativeBox(box)) {
        return CopyFromToolkitBox(box, content);
    }
    content->caption = WindowText(box);
    content->text.clear();
    EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&content->text));
    return true;
}

bool PressOk(HWND box) {
    if (IsNativeBox(box)) {
        const HWND ok = GetDlgItem(box, IDOK);
        return ok != nullptr && PostMessageW(ok, BM_CLICK, 0, 0) != FALSE;
    }
    SetForegroundWindow(box);
    return PressKeys({VK_RETURN});
}

bool ParseCopiedMessageBox(const std::wstring& copied, MessageBoxContent* content) {
    // Lines, without the carriage returns of CR LF.
    std::vector<std::wstring> lines(1);
    for (const wchar_t c : copied) {
        if (c == L'\n') {
            lines.emplace_back();
        } else if (c != L'\r') {
            lines.back().push_back(c);
        }
    }
    std::vector<std::wstring> parts;
    std::wstring part;
    bool open = false;
    for (const std::wstring& line : lines) {
        if (!line.empty() && line.find_first_not_of(L'-') == std::wstring::npos) {
            if (open) {
                parts.push_back(part);
            }
            part.clear();
            open = true;
        } else if (open) {
            part += part.empty() ? line : L"\n" + line;
        }
    }
    if (parts.size() < 2) {
        return false;
    }
    content->caption = parts[0];
    content->text = parts[1];
    return true;
}
