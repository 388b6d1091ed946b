// One redirected source window of the thumbnails: its redirection (counted per source), the
// named pixmap of its contents, an XRender picture of that pixmap and a DAMAGE object.
#pragma once

#include <xcb/damage.h>
#include <xcb/render.h>
#include <xcb/xcb.h>

#include "platform/Platform.h"
#include "platform/x11/X11Context.h"
#include "platform/x11/X11ThumbRender.h"

struct X11ThumbSource {
    xcb_window_t window = 0;
    int registrations = 0;
    bool alive = true;       // false after DestroyNotify
    bool mapped = false;     // as last seen
    bool needsName = false;  // the pixmap is stale: name it again when the window allows
    int width = 0;           // the window's current size and border
    int height = 0;
    int border = 0;
    xcb_visualid_t visual = 0;
    std::uint8_t depth = 0;
    xcb_render_pictformat_t format = 0;
    // The last good pixmap and its picture; they outlive an unmap or a failed renaming, so
    // the thumbnail keeps showing the last image instead of going black.
    xcb_pixmap_t pixmap = 0;
    xcb_render_picture_t picture = 0;
    int pictureWidth = 0;  // the window's size (without border) when the pixmap was named
    int pictureHeight = 0;
    int pictureBorder = 0;
    xcb_damage_damage_t damage = 0;
};

// Checks the window and redirects it; fills source. A failure leaves no server resource.
HResult OpenThumbSource(X11Context& context, const X11ThumbRender& render, xcb_window_t window,
                        X11ThumbSource& source);
// Names the window's pixmap again (after a map, a resize or a new compositing manager) and
// makes its picture. On failure (the window is unmapped, BadMatch) the previous pixmap stays
// and needsName is set, for a retry on the next map or damage.
bool NameThumbSourcePixmap(X11Context& context, X11ThumbSource& source);
// Frees the picture, pixmap and damage object, ignoring errors (the window may be gone), and
// ends the redirection when asked and the window still exists.
void ReleaseThumbSource(X11Context& context, X11ThumbSource& source, bool unredirect);
// True when a window id was allocated by this client's own connection.
bool IsOwnWindow(xcb_connection_t* connection, xcb_window_t window);
