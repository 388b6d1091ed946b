// The system services on Win32: the single-instance guard, the user's language, the
// installation folder in the registry, and the desktop fonts.
#pragma once

#include "platform/win32/Win32Api.h"

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Platform.h"

// A named mutex that the process never waits on: its existence is the guard. A failed call
// gives handle 0 and alreadyExists false, so the program runs.
InstanceGuard CreateWin32InstanceGuard(const std::string& name);
void CloseWin32InstanceGuard(std::intptr_t handle);

std::uint16_t ReadWin32UserDefaultLangId();

// The registry location of the installation folder.
inline constexpr const wchar_t* kInstallKey = L"Software\\Quillane\\Vantrel";
inline constexpr const wchar_t* kInstallValue = L"InstallPath";

// The string value of an open key, as UTF-8; empty when absent or not REG_SZ/REG_EXPAND_SZ.
// An expandable string is returned unexpanded, as QSettings reads it.
std::string ReadRegistryString(HKEY key, const wchar_t* valueName);

// A LOGFONTA as the interface's record; the face name is read up to its terminating zero
// (at most 31 bytes) and converted from the ANSI code page to UTF-8.
LogicalFont ToLogicalFont(const LOGFONTA& font);

std::optional<LogicalFont> ReadWin32IconTitleFont();
LogicalFont ReadWin32DefaultGuiFont();
