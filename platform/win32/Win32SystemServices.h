// The system services on Win32: the single-instance guard, the user's language, the
// installation folder in the registry, the interface font and the clone window's style.
#pragma once

#include "platform/win32/Win32Api.h"

#include "platform/SystemServices.h"

// The registry location of the installation folder, under HKEY_LOCAL_MACHINE.
inline constexpr const wchar_t* kInstallKey = L"Software\\Quillane\\Vantrel";
inline constexpr const wchar_t* kInstallValue = L"InstallPath";

// The string value of an open key; empty when absent or not REG_SZ/REG_EXPAND_SZ. An
// expandable string is returned unexpanded, as QSettings reads it.
QString ReadRegistryString(HKEY key, const wchar_t* valueName);

// A named mutex that the process never waits on: its existence is the guard. A failed call
// holds nothing and reports no other copy, so the program runs.
class Win32InstanceGuard final : public InstanceGuard {
  public:
    explicit Win32InstanceGuard(const QString& name);
    ~Win32InstanceGuard() override;
    Win32InstanceGuard(const Win32InstanceGuard&) = delete;
    Win32InstanceGuard& operator=(const Win32InstanceGuard&) = delete;

    bool AlreadyRunning() const override { return alreadyRunning_; }
    bool Held() const { return mutex_ != nullptr; }

  private:
    HANDLE mutex_ = nullptr;
    bool alreadyRunning_ = false;
};

class Win32SystemServices final : public SystemServices {
  public:
    std::unique_ptr<InstanceGuard> AcquireInstanceGuard(const QString& name) override;
    std::uint16_t UserLanguageId() override;
    QString InstallPath() override;
    QFont InterfaceFont() override;
    // A tool window gets no taskbar button and no Alt+Tab entry; the clone is borderless,
    // so the tool style changes nothing else a user sees.
    void PrepareCloneWindow(WindowHandle window) override;
};
