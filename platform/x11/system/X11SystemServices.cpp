#include "platform/x11/system/X11SystemServices.h"

#include "platform/x11/system/X11CloneWindow.h"
#include "platform/x11/system/X11DesktopFont.h"
#include "platform/x11/system/X11LockFile.h"

std::unique_ptr<InstanceGuard> X11SystemServices::AcquireInstanceGuard(const QString& name) {
    return std::make_unique<LockFileGuard>(name.toStdString());
}

QFont X11SystemServices::InterfaceFont() {
    return DesktopInterfaceFont();
}

void X11SystemServices::PrepareCloneWindow(WindowHandle window) {
    if (X11Context* context = toolkit_.Context(); context != nullptr && window != 0) {
        PrepareX11CloneWindow(*context, window);
    }
}
