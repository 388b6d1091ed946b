#include "platform/wayland/WaylandCompositor.h"

#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QWindow>

#include "platform/wayland/PortalSession.h"
#include "platform/wayland/WaylandThumbnail.h"
#include "platform/wayland/WaylandWindowList.h"
#include "platform/wayland/WindowSource.h"

WaylandCompositor::WaylandCompositor(WaylandWindowList& windows, QDBusConnection bus)
    : windows_(windows), bus_(std::move(bus)) {}

bool WaylandCompositor::Available() {
    if (windows_.HasToplevelList()) {
        return true;
    }
    QDBusConnectionInterface* busInterface = bus_.interface();
    if (busInterface == nullptr) {
        return false;
    }
    const QString portal = QStringLiteral("org.freedesktop.portal.Desktop");
    return busInterface->isServiceRegistered(portal).value() ||
           busInterface->activatableServiceNames().value().contains(portal);
}

QString WaylandCompositor::UnavailableMessage() {
    if (Available()) {
        return {};
    }
    return QStringLiteral("Vantrel needs the desktop portal to show live clones on Wayland. ") +
           PortalSession::AbsentMessage() +
           QStringLiteral(
               " Started with QT_QPA_PLATFORM=xcb, Vantrel still clones X11 "
               "applications through Xwayland.");
}

QWindow* WaylandCompositor::FindOwnWindow(WindowHandle window) {
    for (QWindow* candidate : QGuiApplication::allWindows()) {
        // handle() first: winId() would create a platform window for every hidden one.
        if (candidate->handle() != nullptr &&
            static_cast<WindowHandle>(candidate->winId()) == window) {
            return candidate;
        }
    }
    return nullptr;
}

std::unique_ptr<Thumbnail> WaylandCompositor::CreateThumbnail(WindowHandle destination,
                                                              WindowHandle source) {
    QWindow* window = FindOwnWindow(destination);
    if (window == nullptr) {
        return nullptr;
    }
    std::shared_ptr<WindowSource> capture = windows_.SourceFor(source);
    if (!capture) {
        return nullptr;
    }
    auto thumbnail = std::make_unique<WaylandThumbnail>(window, std::move(capture), pointerShown_);
    std::erase_if(views_, [](const QPointer<FrameView>& view) { return view.isNull(); });
    views_.emplace_back(thumbnail->View());
    return thumbnail;
}

void WaylandCompositor::SetPointerShown(bool shown) {
    pointerShown_ = shown;
    for (const QPointer<FrameView>& view : views_) {
        if (!view.isNull()) {
            view->SetPointerShown(shown);
        }
    }
}
