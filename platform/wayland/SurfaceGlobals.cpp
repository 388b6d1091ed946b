#include "platform/wayland/SurfaceGlobals.h"

#include <qpa/qplatformnativeinterface.h>
#include <QGuiApplication>

#include <cstring>

#include <spa/param/video/raw.h>

#include <wayland-client.h>

#include "linux-dmabuf-unstable-v1-client-protocol.h"
#include "platform/wayland/FramePath.h"
#include "viewporter-client-protocol.h"

struct SurfaceGlobals::Listeners {
    static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        auto* self = static_cast<SurfaceGlobals*>(data);
        // Version 4 for damage in buffer coordinates; older compositors get drawn frames.
        if (std::strcmp(interface, wl_compositor_interface.name) == 0 && version >= 4) {
            self->compositor_ = static_cast<wl_compositor*>(
                wl_registry_bind(registry, name, &wl_compositor_interface, 4));
        } else if (std::strcmp(interface, wl_subcompositor_interface.name) == 0) {
            self->subcompositor_ = static_cast<wl_subcompositor*>(
                wl_registry_bind(registry, name, &wl_subcompositor_interface, 1));
        } else if (std::strcmp(interface, wp_viewporter_interface.name) == 0) {
            self->viewporter_ = static_cast<wp_viewporter*>(
                wl_registry_bind(registry, name, &wp_viewporter_interface, 1));
        } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
            self->shm_ =
                static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
            static const wl_shm_listener kShm{ShmFormat};
            wl_shm_add_listener(self->shm_, &kShm, self);
        } else if (std::strcmp(interface, zwp_linux_dmabuf_v1_interface.name) == 0 &&
                   version >= 3) {
            // Version 3: the formats come as modifier events right after the bind; the
            // feedback objects of version 4 would say more (devices, tranches) than a
            // client that only hands buffers on uses.
            self->linuxDmaBuf_ = static_cast<zwp_linux_dmabuf_v1*>(
                wl_registry_bind(registry, name, &zwp_linux_dmabuf_v1_interface, 3));
            static const zwp_linux_dmabuf_v1_listener kDmaBuf{DmaBufFormat, DmaBufModifier};
            zwp_linux_dmabuf_v1_add_listener(self->linuxDmaBuf_, &kDmaBuf, self);
        }
    }
    static void GlobalRemove(void*, wl_registry*, std::uint32_t) {}
    static void ShmFormat(void* data, wl_shm*, std::uint32_t format) {
        static_cast<SurfaceGlobals*>(data)->shmFormats_.insert(format);
    }
    static void DmaBufFormat(void*, zwp_linux_dmabuf_v1*, std::uint32_t) {}
    static void DmaBufModifier(void* data, zwp_linux_dmabuf_v1*, std::uint32_t format,
                               std::uint32_t high, std::uint32_t low) {
        static_cast<SurfaceGlobals*>(data)->dmaBufPairs_.emplace(format,
                                                                 (std::uint64_t{high} << 32) | low);
    }
};

namespace {

// Moves a bound global to Qt's default queue, whose events Qt dispatches on its thread.
void ToDefaultQueue(void* proxy) {
    if (proxy != nullptr) {
        wl_proxy_set_queue(static_cast<wl_proxy*>(proxy), nullptr);
    }
}

}  // namespace

SurfaceGlobals::SurfaceGlobals(wl_display* display) : display_(display) {
    if (display == nullptr) {
        return;
    }
    // A queue of our own, so the roundtrips dispatch nothing of Qt's.
    wl_event_queue* queue = wl_display_create_queue(display);
    auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
    wl_registry* registry = wl_display_get_registry(wrapper);
    static const wl_registry_listener kRegistry{Listeners::Global, Listeners::GlobalRemove};
    wl_registry_add_listener(registry, &kRegistry, this);
    wl_display_roundtrip_queue(display, queue);  // the globals
    wl_display_roundtrip_queue(display, queue);  // wl_shm's formats, linux-dmabuf's pairs
    wl_registry_destroy(registry);
    // The listeners have had their formats; later events are not needed.
    for (void* proxy : {static_cast<void*>(compositor_), static_cast<void*>(subcompositor_),
                        static_cast<void*>(viewporter_), static_cast<void*>(shm_),
                        static_cast<void*>(linuxDmaBuf_)}) {
        ToDefaultQueue(proxy);
    }
    wl_proxy_wrapper_destroy(wrapper);
    wl_event_queue_destroy(queue);
}

SurfaceGlobals::~SurfaceGlobals() {
    if (linuxDmaBuf_ != nullptr) {
        zwp_linux_dmabuf_v1_destroy(linuxDmaBuf_);
    }
    if (viewporter_ != nullptr) {
        wp_viewporter_destroy(viewporter_);
    }
    if (subcompositor_ != nullptr) {
        wl_subcompositor_destroy(subcompositor_);
    }
    if (shm_ != nullptr) {
        wl_shm_destroy(shm_);
    }
    if (compositor_ != nullptr) {
        wl_compositor_destroy(compositor_);
    }
}

bool SurfaceGlobals::CanHandOn() const {
    return compositor_ != nullptr && subcompositor_ != nullptr && viewporter_ != nullptr;
}

wl_display* QtWaylandDisplay() {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        return nullptr;
    }
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    return native != nullptr ? static_cast<wl_display*>(native->nativeResourceForIntegration(
                                   QByteArrayLiteral("wl_display")))
                             : nullptr;
}

DmaBufOffer CompositorDmaBufOffer() {
    const SurfaceGlobals globals(QtWaylandDisplay());
    return globals.CanHandOn() ? DmaBufOffer::For(globals.DmaBufImports()) : DmaBufOffer();
}

QString WaylandFramePathReport() {
    const SurfaceGlobals globals(QtWaylandDisplay());
    FramePathFacts facts;
    facts.surfaceKnown = globals.Compositor() != nullptr;
    facts.subcompositor = globals.Subcompositor() != nullptr;
    facts.viewporter = globals.Viewporter() != nullptr;
    facts.shmFormat = globals.ShmTakes(ShmFormatForVideoFormat(SPA_VIDEO_FORMAT_BGRx));
    facts.memFd = true;  // what the portals' producers send
    // A source that can send DMA-BUF does so where the compositor imports the layouts.
    facts.linuxDmaBuf = globals.LinuxDmaBuf() != nullptr;
    facts.dmaBuf = facts.linuxDmaBuf && !DmaBufOffer::For(globals.DmaBufImports()).Empty();
    return DescribeFramePath(ChooseFramePath(facts), facts);
}
