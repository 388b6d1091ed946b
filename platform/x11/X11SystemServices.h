// The system services of the X11 backend: the lock-file instance guard, the language of the
// POSIX locale, the installation folder the installer recorded, the desktop font and the
// window-manager hints of a clone window.
#pragma once

#include "platform/posix/PosixSystemServices.h"

class X11SystemServices final : public PosixSystemServices {
  public:
    std::unique_ptr<InstanceGuard> AcquireInstanceGuard(const QString& name) override;
    QFont InterfaceFont() override;
    void PrepareCloneWindow(WindowHandle window) override;
};
