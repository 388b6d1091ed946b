#include "platform/win32/Win32SystemServices.h"

#include <cwchar>
#include <string>

#include "platform/win32/Win32Font.h"
#include "platform/win32/Win32Handles.h"

namespace {

// Closes a registry key on every path out of a read.
class RegistryKey {
  public:
    explicit RegistryKey(HKEY key) : key_(key) {}
    ~RegistryKey() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY Get() const { return key_; }

  private:
    HKEY key_;
};

constexpr DWORD kStringTypes = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
// A value that keeps growing between the size query and the read is given up after a few
// tries instead of looping.
constexpr int kReadAttempts = 4;

}  // namespace

QString ReadRegistryString(HKEY key, const wchar_t* valueName) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD bytes = 0;
        LSTATUS status =
            RegGetValueW(key, nullptr, valueName, kStringTypes, nullptr, nullptr, &bytes);
        if (status != ERROR_SUCCESS) {
            return {};  // absent, or of another type
        }
        // RegGetValueW terminates what it returns; the size it asks for includes the zero.
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        status = RegGetValueW(key, nullptr, valueName, kStringTypes, nullptr, text.data(), &bytes);
        if (status == ERROR_MORE_DATA) {
            continue;
        }
        if (status != ERROR_SUCCESS) {
            return {};
        }
        return QString::fromWCharArray(text.c_str(),
                                       static_cast<qsizetype>(std::wcslen(text.c_str())));
    }
    return {};
}

Win32InstanceGuard::Win32InstanceGuard(const QString& name) {
    const std::wstring wide = name.toStdWString();
    mutex_ = CreateMutexW(nullptr, FALSE, wide.c_str());
    // Read at once: any later call may overwrite the thread's last error.
    const DWORD error = GetLastError();
    alreadyRunning_ = mutex_ != nullptr && error == ERROR_ALREADY_EXISTS;
}

Win32InstanceGuard::~Win32InstanceGuard() {
    if (mutex_ != nullptr) {
        CloseHandle(mutex_);
    }
}

std::unique_ptr<InstanceGuard> Win32SystemServices::AcquireInstanceGuard(const QString& name) {
    return std::make_unique<Win32InstanceGuard>(name);
}

std::uint16_t Win32SystemServices::UserLanguageId() {
    return static_cast<std::uint16_t>(GetUserDefaultLangID());
}

QString Win32SystemServices::InstallPath() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kInstallKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return {};
    }
    const RegistryKey key(opened);
    return ReadRegistryString(key.Get(), kInstallValue);
}

QFont Win32SystemServices::InterfaceFont() {
    return ReadInterfaceFont();
}

void Win32SystemServices::PrepareCloneWindow(WindowHandle window) {
    const HWND hwnd = ToHwnd(window);
    if (!IsWindow(hwnd)) {
        return;
    }
    const auto exStyle = static_cast<LONG_PTR>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
    SetWindowLongPtrW(hwnd, GWL_EXSTYLE, (exStyle | WS_EX_TOOLWINDOW) & ~LONG_PTR{WS_EX_APPWINDOW});
}
