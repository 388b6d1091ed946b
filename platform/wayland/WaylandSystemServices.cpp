#include "platform/wayland/WaylandSystemServices.h"

#include <QFontDatabase>

#include <cstdlib>

#include "platform/posix/PosixLockFile.h"

std::string WaylandLockFileName(const std::string& name, const char* waylandDisplay) {
    const char* display =
        waylandDisplay != nullptr && waylandDisplay[0] != '\0' ? waylandDisplay : "wayland-0";
    return SafeFileNamePart(name) + "-wayland-" + SafeFileNamePart(display) + ".lock";
}

std::unique_ptr<InstanceGuard> WaylandSystemServices::AcquireInstanceGuard(const QString& name) {
    return std::make_unique<PosixLockFileGuard>(
        WaylandLockFileName(name.toStdString(), std::getenv("WAYLAND_DISPLAY")));
}

QFont WaylandSystemServices::InterfaceFont() {
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

void WaylandSystemServices::PrepareCloneWindow(WindowHandle) {
    // xdg-shell has no taskbar or pager hints; a clone is an ordinary full-screen toplevel.
}
