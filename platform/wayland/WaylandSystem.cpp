#include "platform/wayland/WaylandSystem.h"

#include <QFontDatabase>
#include <QSettings>

#include <cstdlib>

#include "platform/posix/PosixLanguage.h"
#include "platform/posix/PosixLockFile.h"

std::string WaylandLockFileName(const std::string& name, const char* waylandDisplay) {
    const char* display =
        waylandDisplay != nullptr && waylandDisplay[0] != '\0' ? waylandDisplay : "wayland-0";
    return SafeFileNamePart(name) + "-wayland-" + SafeFileNamePart(display) + ".lock";
}

std::unique_ptr<InstanceGuard> WaylandSystem::AcquireInstanceGuard(const QString& name) {
    return std::make_unique<PosixLockFileGuard>(
        WaylandLockFileName(name.toStdString(), std::getenv("WAYLAND_DISPLAY")));
}

std::uint16_t WaylandSystem::UserLanguageId() {
    return LanguageIdFromLocale();
}

QString WaylandSystem::InstallPath() {
    const QSettings settings(QSettings::NativeFormat, QSettings::SystemScope,
                             QStringLiteral("Quillane"), QStringLiteral("Vantrel"));
    return settings.value(QStringLiteral("InstallPath")).toString();
}

QFont WaylandSystem::InterfaceFont() {
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

void WaylandSystem::PrepareCloneWindow(WindowHandle) {
    // xdg-shell has no taskbar or pager hints; a clone is an ordinary full-screen toplevel.
}
