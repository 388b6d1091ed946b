// System services on a Wayland desktop. The guard is per user and Wayland display; the
// language, installation folder and interface font come from the same sources as on X11
// (the locale through ICU, the system QSettings, Qt's platform theme).
#pragma once

#include <string>

#include "platform/posix/PosixSystemServices.h"

class WaylandSystemServices : public PosixSystemServices {
  public:
    std::unique_ptr<InstanceGuard> AcquireInstanceGuard(const QString& name) override;
    QFont InterfaceFont() override;
    void PrepareCloneWindow(WindowHandle window) override;
};

// "<name>-wayland-<display>.lock" (a display path's slashes become underscores); display
// null or empty means "wayland-0", as libwayland assumes.
std::string WaylandLockFileName(const std::string& name, const char* waylandDisplay);
