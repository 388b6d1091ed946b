// What the system services of Unix desktops (X11, Wayland) share: the user's language from
// the POSIX locale, and the installation folder the installer recorded in the system-scope
// settings of "Quillane" / "Vantrel", key InstallPath (an ini file under the XDG
// configuration folders, /etc/xdg by default).
#pragma once

#include <QString>

#include "platform/SystemServices.h"

class PosixSystemServices : public SystemServices {
  public:
    std::uint16_t UserLanguageId() override;
    QString InstallPath() override;
};

// The recorded installation folder; empty when the value is absent or empty.
QString ReadInstallPathSetting();
