#include "platform/win32/Win32System.h"

#include <cstring>
#include <string_view>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Text.h"

namespace {

// Closes a registry key on every path out of a read.
class TRegistryKey {
  public:
    explicit TRegistryKey(HKEY key) : FKey(key) {}
    ~TRegistryKey() {
        if (FKey != nullptr) {
            RegCloseKey(FKey);
        }
    }
    TRegistryKey(const TRegistryKey&) = delete;
    TRegistryKey& operator=(const TRegistryKey&) = delete;
    HKEY Get() const { return FKey; }

  private:
    HKEY FKey;
};

constexpr DWORD kStringTypes = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
// A value that keeps growing between the size query and the read is given up after a few
// tries instead of looping.
constexpr int kReadAttempts = 4;

}  // namespace

InstanceGuard CreateWin32InstanceGuard(const std::string& name) {
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    // Read at once: any later call may overwrite the thread's last error.
    const DWORD error = GetLastError();
    InstanceGuard guard;
    if (mutex == nullptr) {
        return guard;
    }
    guard.handle = reinterpret_cast<std::intptr_t>(mutex);
    guard.alreadyExists = error == ERROR_ALREADY_EXISTS;
    return guard;
}

void CloseWin32InstanceGuard(std::intptr_t handle) {
    if (handle != 0) {
        CloseHandle(reinterpret_cast<HANDLE>(handle));
    }
}

std::uint16_t ReadWin32UserDefaultLangId() {
    return static_cast<std::uint16_t>(GetUserDefaultLangID());
}

std::string ReadRegistryString(HKEY key, const wchar_t* valueName) {
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
        text.resize(std::wcslen(text.c_str()));
        return Utf16ToUtf8(text);
    }
    return {};
}

std::string ReadWin32InstallPath() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kInstallKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return {};
    }
    const TRegistryKey key(opened);
    return ReadRegistryString(key.Get(), kInstallValue);
}

LogicalFont ToLogicalFont(const LOGFONTA& font) {
    LogicalFont record;
    record.height = static_cast<int>(font.lfHeight);
    record.width = static_cast<int>(font.lfWidth);
    record.escapement = static_cast<int>(font.lfEscapement);
    record.orientation = static_cast<int>(font.lfOrientation);
    record.weight = static_cast<int>(font.lfWeight);
    record.italic = font.lfItalic;
    record.underline = font.lfUnderline;
    record.strikeOut = font.lfStrikeOut;
    record.charSet = font.lfCharSet;
    record.outPrecision = font.lfOutPrecision;
    record.clipPrecision = font.lfClipPrecision;
    record.quality = font.lfQuality;
    record.pitchAndFamily = font.lfPitchAndFamily;
    // A face name that fills all 32 bytes has no terminator; at most 31 bytes are taken.
    const std::size_t limit = sizeof font.lfFaceName - 1;
    const auto* face = static_cast<const char*>(font.lfFaceName);
    const void* end = std::memchr(face, '\0', limit);
    const std::size_t length = end == nullptr ? limit : static_cast<const char*>(end) - face;
    record.faceName = AnsiToUtf8(std::string_view(face, length));
    return record;
}

std::optional<LogicalFont> ReadWin32IconTitleFont() {
    LOGFONTA font{};
    static_assert(sizeof font == 60);
    if (SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0) == 0) {
        return std::nullopt;
    }
    return ToLogicalFont(font);
}

LogicalFont ReadWin32DefaultGuiFont() {
    LOGFONTA font{};
    const HGDIOBJ stock = GetStockObject(DEFAULT_GUI_FONT);
    if (stock == nullptr || GetObjectA(stock, sizeof font, &font) == 0) {
        return LogicalFont{};  // the interface's defaults: height 0, weight 400, no face
    }
    return ToLogicalFont(font);
}
