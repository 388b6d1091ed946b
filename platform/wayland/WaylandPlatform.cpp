#include "platform/wayland/WaylandPlatform.h"

#include <QGuiApplication>

#include <cstdlib>
#include <cstring>

#include "platform/IcuCodePages.h"
#include "platform/WindowPicker.h"
#include "platform/wayland/PipeWireLoop.h"
#include "platform/wayland/RestoreTokenStore.h"
#include "platform/wayland/ToplevelList.h"
#include "platform/wayland/WaylandCompositor.h"
#include "platform/wayland/WaylandDisplayList.h"
#include "platform/wayland/WaylandSystemServices.h"
#include "platform/wayland/WaylandWindowList.h"

namespace {

class WaylandPlatform : public Platform, public WindowPickerProvider {
  public:
    explicit WaylandPlatform(WaylandOptions options) : options_(std::move(options)) {}
    ~WaylandPlatform() override {
        // Thumbnails are gone by now; sources and streams go before the PipeWire loop.
        compositor_.reset();
        windows_.reset();
        loop_.reset();
    }

    WindowList& Windows() override { return Attached(); }
    DisplayList& Displays() override {
        if (!displays_) {
            displays_ = std::make_unique<WaylandDisplayList>();
        }
        return *displays_;
    }
    ::Compositor& Compositor() override {
        Attached();
        return *compositor_;
    }
    SystemServices& System() override { return system_; }
    const CodePages& Encodings() override { return codePages_; }
    WindowPicker& Picker() override { return Attached(); }

  private:
    WaylandWindowList& Attached() {
        if (windows_) {
            return *windows_;
        }
        const QDBusConnection bus = options_.bus.value_or(QDBusConnection::sessionBus());
        loop_ = std::make_unique<PipeWireLoop>();
        std::unique_ptr<ToplevelList> toplevels;
        if (options_.useToplevelList) {
            toplevels = std::make_unique<ToplevelList>(ToplevelList::OwnAppIds());
        }
        RestoreTokenStore store(options_.stateFile.isEmpty() ? RestoreTokenStore::DefaultPath()
                                                             : options_.stateFile);
        windows_ = std::make_unique<WaylandWindowList>(*loop_, bus, std::move(store),
                                                       std::move(toplevels));
        compositor_ = std::make_unique<WaylandCompositor>(*windows_, bus);
        windows_->RestoreChosen();
        return *windows_;
    }

    WaylandOptions options_;
    WaylandSystemServices system_;
    IcuCodePages codePages_;
    std::unique_ptr<PipeWireLoop> loop_;
    std::unique_ptr<WaylandWindowList> windows_;
    std::unique_ptr<WaylandCompositor> compositor_;
    std::unique_ptr<WaylandDisplayList> displays_;
};

}  // namespace

std::unique_ptr<Platform> CreateWaylandPlatform() {
    return CreateWaylandPlatform({});
}

std::unique_ptr<Platform> CreateWaylandPlatform(WaylandOptions options) {
    return std::make_unique<WaylandPlatform>(std::move(options));
}

bool QtRunsOnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool WaylandSessionExpected() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && platform[0] != '\0') {
        return std::strncmp(platform, "wayland", 7) == 0;
    }
    const char* session = std::getenv("XDG_SESSION_TYPE");
    const char* display = std::getenv("WAYLAND_DISPLAY");
    return session != nullptr && std::strcmp(session, "wayland") == 0 && display != nullptr &&
           display[0] != '\0';
}
