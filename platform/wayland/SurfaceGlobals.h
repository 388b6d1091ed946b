// The compositor globals a clone needs to hand frames on, bound on a registry of our own on
// Qt's connection (Qt does not share the ones it binds): wl_compositor, wl_subcompositor,
// wp_viewporter, wl_shm with the formats it takes and zwp_linux_dmabuf_v1 (version 3) with
// the (fourcc, modifier) pairs it imports. The bound objects then live on Qt's
// default queue, so their events (a buffer's release) arrive on the user-interface thread.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <set>

#include "platform/wayland/DmaBufOffer.h"

struct wl_display;
struct wl_compositor;
struct wl_subcompositor;
struct wl_shm;
struct wp_viewporter;
struct zwp_linux_dmabuf_v1;

class SurfaceGlobals {
  public:
    // Binds what display offers; a null display binds nothing.
    explicit SurfaceGlobals(wl_display* display);
    ~SurfaceGlobals();
    SurfaceGlobals(const SurfaceGlobals&) = delete;
    SurfaceGlobals& operator=(const SurfaceGlobals&) = delete;

    wl_display* Display() const { return display_; }
    wl_compositor* Compositor() const { return compositor_; }
    wl_subcompositor* Subcompositor() const { return subcompositor_; }
    wp_viewporter* Viewporter() const { return viewporter_; }
    wl_shm* Shm() const { return shm_; }
    bool ShmTakes(std::uint32_t format) const { return shmFormats_.contains(format); }
    zwp_linux_dmabuf_v1* LinuxDmaBuf() const { return linuxDmaBuf_; }
    // What the compositor imports as DMA-BUF; empty without linux-dmabuf.
    const DmaBufPairs& DmaBufImports() const { return dmaBufPairs_; }
    // Whether frames can be handed on at all: a surface (version 4), subsurfaces, viewports.
    bool CanHandOn() const;

    struct Listeners;

  private:
    wl_display* display_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_subcompositor* subcompositor_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wl_shm* shm_ = nullptr;
    std::set<std::uint32_t> shmFormats_;
    zwp_linux_dmabuf_v1* linuxDmaBuf_ = nullptr;
    DmaBufPairs dmaBufPairs_;
};

// The Wayland display Qt runs on; null on other platforms.
wl_display* QtWaylandDisplay();

// What a new stream offers as DMA-BUF on the display Qt runs on: the layouts the compositor
// imports where frames can be handed on, else nothing.
DmaBufOffer CompositorDmaBufOffer();

// The backend and the path shared-memory frames take on the display Qt runs on, in one
// line for bug reports ("wayland, frames handed to the compositor (shm)").
QString WaylandFramePathReport();
