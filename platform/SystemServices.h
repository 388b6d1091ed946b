// What the program asks of the system besides windows: the single-instance guard, the
// user's language, the installation folder, the desktop's interface font and the hints a
// clone window needs from the window manager.
#pragma once

#include <QFont>
#include <QString>

#include <cstdint>
#include <memory>

#include "platform/WindowList.h"

// Held for the life of the process; destroying it lets a new copy start.
class InstanceGuard {
  public:
    virtual ~InstanceGuard() = default;
    // True when another copy of the program held the guard first.
    virtual bool AlreadyRunning() const = 0;
};

class SystemServices {
  public:
    virtual ~SystemServices() = default;
    // Works before the toolkit starts.
    virtual std::unique_ptr<InstanceGuard> AcquireInstanceGuard(const QString& name) = 0;
    // The Windows language id of the user's locale (0x0409 when unknown). Works before the
    // toolkit starts.
    virtual std::uint16_t UserLanguageId() = 0;
    // The installation folder the installer recorded; empty when none.
    virtual QString InstallPath() = 0;
    // The desktop's interface font (icon-title font), or the default GUI font.
    virtual QFont InterfaceFont() = 0;
    // Marks a clone window before it is first shown: no taskbar or pager entry.
    virtual void PrepareCloneWindow(WindowHandle window) = 0;
};
