// One redirected source window of the thumbnails: its redirection (shared by every
// thumbnail of the window), the named pixmap of its contents, an XRender picture of that
// pixmap and a DAMAGE object. Each is owned here and freed when the source goes.
#pragma once

#include <xcb/damage.h>
#include <xcb/render.h>
#include <xcb/xcb.h>

#include <array>
#include <memory>
#include <optional>

#include "platform/x11/connection/X11Context.h"
#include "platform/x11/connection/X11Owned.h"
#include "platform/x11/thumbnails/X11RenderFormats.h"

class X11ThumbSource {
  public:
    // Checks the window and redirects it; null, with no server resource left behind, when
    // the window is not another client's existing InputOutput window or cannot be redirected.
    static std::unique_ptr<X11ThumbSource> Open(X11Context& context,
                                                const X11RenderFormats& formats,
                                                xcb_window_t window);

    // Names the window's pixmap again (after a map, a resize or a new compositing manager)
    // and makes its picture. On failure (the window is unmapped, BadMatch) the previous
    // pixmap stays and needsName is set, for a retry on the next map, visibility change or
    // damage.
    bool NamePixmap();
    // The window was destroyed: its redirection and damage went with it; the picture is
    // freed too, and the thumbnails keep their last image in their back buffers.
    void WindowDestroyed();
    // The window's own ConfigureNotify; true when its size or border changed, and it is then
    // named again before the next paint.
    bool Configured(int newWidth, int newHeight, int newBorder);
    // The window was mapped or unmapped; each map gives it new storage, so a mapped window
    // is named again (or a failed naming retried) before the next paint: true then.
    bool Mapped(bool isMapped);
    // The window's visibility changed: it may have become viewable again without a map of
    // its own (an ancestor was mapped), and then it has new storage: named again.
    void Shown() { needsName = needsName || mapped; }

    xcb_window_t Window() const { return window_; }
    xcb_damage_damage_t Damage() const { return damage_.Id(); }
    xcb_render_picture_t Picture() const { return picture_.Id(); }

    int registrations = 0;
    bool alive = true;       // false after DestroyNotify
    bool mapped = false;     // as last seen
    bool needsName = false;  // the pixmap is stale: name it again when the window allows
    bool resized = false;    // changed size (or was mapped again) since the owners were told
    int width = 0;           // the window's current size and border
    int height = 0;
    int border = 0;
    int pictureWidth = 0;  // the window's size (without border) when the pixmap was named
    int pictureHeight = 0;
    int pictureBorder = 0;
    // The picture's transform and filter as last set (shared by every view of the source);
    // unset after each naming.
    std::optional<std::array<xcb_render_fixed_t, 9>> transform;
    bool nearest = false;

  private:
    X11ThumbSource(X11Context& context, xcb_window_t window) : context_(context), window_(window) {}

    X11Context& context_;
    xcb_window_t window_;
    xcb_render_pictformat_t format_ = 0;
    // Declared first, destroyed last: the window stays redirected while its pixmap is used.
    OwnedRedirection redirection_;
    OwnedDamage damage_;
    // The last good pixmap and its picture; they outlive an unmap or a failed renaming, so
    // the thumbnail keeps showing the last image instead of going black.
    OwnedPixmap pixmap_;
    OwnedPicture picture_;
};
