// The system services of the X11 backend: the lock-file instance guard, the language of the
// POSIX locale, the installation folder the installer recorded, the desktop font and the
// window-manager hints of a clone window.
#pragma once

#include "platform/SystemServices.h"
#include "platform/x11/connection/X11ToolkitConnection.h"

class X11SystemServices final : public SystemServices {
  public:
    explicit X11SystemServices(X11ToolkitConnection& toolkit) : toolkit_(toolkit) {}
    std::unique_ptr<InstanceGuard> AcquireInstanceGuard(const QString& name) override;
    std::uint16_t UserLanguageId() override;
    // System-scope settings of "Quillane" / "Vantrel", key InstallPath (an ini file under
    // the XDG configuration folders, /etc/xdg by default).
    QString InstallPath() override;
    QFont InterfaceFont() override;
    void PrepareCloneWindow(WindowHandle window) override;

  private:
    X11ToolkitConnection& toolkit_;
};
