// Services that need no X connection: the per-user, per-display instance lock, the user's
// language id and the desktop font.
#pragma once

#include <QFont>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/SystemServices.h"

// The single-instance guard: an exclusive flock on "<name>-<display>.lock" in the user's
// runtime directory ($XDG_RUNTIME_DIR, else a private "vantrel-<uid>" folder in the temp
// directory). The lock is held as long as the guard keeps its descriptor open, and the
// kernel drops it when the process ends in any way. A lock that cannot be made at all gives
// a guard that holds nothing and reports no other copy: the program then runs unguarded.
class LockFileGuard final : public InstanceGuard {
  public:
    explicit LockFileGuard(const std::string& name);
    ~LockFileGuard() override;
    LockFileGuard(const LockFileGuard&) = delete;
    LockFileGuard& operator=(const LockFileGuard&) = delete;
    bool AlreadyRunning() const override { return alreadyRunning_; }
    // Whether a lock file could be opened at all.
    bool Held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
    bool alreadyRunning_ = false;
};
// The lock file's name for a guard name and a DISPLAY value (null or empty: no display).
std::string LockFileName(const std::string& name, const char* display);

// The Windows language id of the user's locale (LC_ALL, else LC_MESSAGES, else LANG).
std::uint16_t LanguageIdFromLocale();
// The same for one POSIX locale name such as "de_CH.UTF-8" or "sr_RS@latin".
std::uint16_t LanguageIdForLocaleName(std::string_view locale);

// The desktop's general font as Qt's platform theme reads it (fontconfig, or the XSETTINGS
// of GNOME and KDE), else the application's default font. Without a GUI application Qt
// resolves no fonts: then the default QFont.
QFont DesktopInterfaceFont();
