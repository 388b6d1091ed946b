// The compositor globals a clone needs to hand frames on, bound on a registry of our own on
// Qt's connection (Qt does not share the ones it binds): wl_compositor, wl_subcompositor,
// wp_viewporter and wl_shm with the formats it takes. The bound objects then live on Qt's
// default queue, so their events (a buffer's release) arrive on the user-interface thread.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <set>

struct wl_display;
struct wl_compositor;
struct wl_subcompositor;
struct wl_shm;
struct wp_viewporter;

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

    struct Listeners;

  private:
    wl_display* display_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_subcompositor* subcompositor_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wl_shm* shm_ = nullptr;
    std::set<std::uint32_t> shmFormats_;
};

// The Wayland display Qt runs on; null on other platforms.
wl_display* QtWaylandDisplay();

// The backend and the path shared-memory frames take on the display Qt runs on, in one
// line for bug reports ("wayland, frames handed to the compositor (shm)").
QString WaylandFramePathReport();
