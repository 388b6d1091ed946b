// The system services of the X11 backend: the lock-file instance guard, the desktop font and
// the window-manager hints of a clone window; the language and the installation folder are
// the POSIX ones.
#pragma once

#include "platform/posix/PosixSystemServices.h"
#include "platform/x11/connection/X11ToolkitConnection.h"

class X11SystemServices final : public PosixSystemServices {
  public:
    explicit X11SystemServices(X11ToolkitConnection& toolkit) : toolkit_(toolkit) {}
    std::unique_ptr<InstanceGuard> AcquireInstanceGuard(const QString& name) override;
    QFont InterfaceFont() override;
    void PrepareCloneWindow(WindowHandle window) override;

  private:
    X11ToolkitConnection& toolkit_;
};
