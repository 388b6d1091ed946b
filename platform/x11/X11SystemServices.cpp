#include "platform/x11/X11SystemServices.h"

#include "platform/x11/X11CloneWindow.h"
#include "platform/x11/X11Context.h"
#include "platform/x11/X11System.h"

std::unique_ptr<InstanceGuard> X11SystemServices::AcquireInstanceGuard(const QString& name) {
    return std::make_unique<LockFileGuard>(name.toStdString());
}

QFont X11SystemServices::InterfaceFont() {
    return DesktopInterfaceFont();
}

void X11SystemServices::PrepareCloneWindow(WindowHandle window) {
    if (X11Context* context = X11Context::Get(); context != nullptr && window != 0) {
        PrepareX11CloneWindow(*context, window);
    }
}
