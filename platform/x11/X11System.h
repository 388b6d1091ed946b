// Services that need no X connection: the per-user, per-display instance lock, the user's
// language id and the desktop font.
#pragma once

#include <QFont>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "platform/SystemServices.h"
#include "platform/posix/PosixLanguage.h"
#include "platform/posix/PosixLockFile.h"

// The lock file's name for a guard name and a DISPLAY value (null or empty: no display).
std::string LockFileName(const std::string& name, const char* display);

// The single-instance guard per user and X display: "<name>-<display>.lock".
class LockFileGuard final : public PosixLockFileGuard {
  public:
    explicit LockFileGuard(const std::string& name)
        : PosixLockFileGuard(LockFileName(name, std::getenv("DISPLAY"))) {}
};

// The desktop's general font as Qt's platform theme reads it (fontconfig, or the XSETTINGS
// of GNOME and KDE), else the application's default font. Without a GUI application Qt
// resolves no fonts: then the default QFont.
QFont DesktopInterfaceFont();
