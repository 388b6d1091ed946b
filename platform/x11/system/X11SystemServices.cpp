#include "platform/x11/system/X11SystemServices.h"

#include <QSettings>

#include "platform/posix/PosixLanguage.h"
#include "platform/x11/system/X11CloneWindow.h"
#include "platform/x11/system/X11DesktopFont.h"
#include "platform/x11/system/X11LockFile.h"

std::unique_ptr<InstanceGuard> X11SystemServices::AcquireInstanceGuard(const QString& name) {
    return std::make_unique<LockFileGuard>(name.toStdString());
}

std::uint16_t X11SystemServices::UserLanguageId() {
    return LanguageIdFromLocale();
}

QString X11SystemServices::InstallPath() {
    const QSettings settings(QSettings::SystemScope, QStringLiteral("Quillane"),
                             QStringLiteral("Vantrel"));
    return settings.value(QStringLiteral("InstallPath")).toString();
}

QFont X11SystemServices::InterfaceFont() {
    return DesktopInterfaceFont();
}

void X11SystemServices::PrepareCloneWindow(WindowHandle window) {
    if (X11Context* context = toolkit_.Context(); context != nullptr && window != 0) {
        PrepareX11CloneWindow(*context, window);
    }
}
