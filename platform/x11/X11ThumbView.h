// Where one thumbnail is drawn: a child X window of our own inside the destination window,
// covering it, with a back-buffer pixmap of the same size. The source is composited, scaled,
// into the back buffer and the changed part is then copied to the child, so a frame never
// tears and Qt's painting of the destination never interferes. The child selects only
// Exposure, so clicks reach the destination window below it.
#pragma once

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <cstdint>

#include "platform/Platform.h"
#include "platform/x11/X11Context.h"
#include "platform/x11/X11ThumbRender.h"
#include "platform/x11/X11ThumbSource.h"

struct X11ThumbView {
    ThumbnailHandle handle = 0;
    xcb_window_t destination = 0;
    xcb_window_t source = 0;
    bool destinationAlive = true;
    xcb_window_t child = 0;
    xcb_gcontext_t gc = 0;
    xcb_pixmap_t buffer = 0;
    xcb_render_picture_t bufferPicture = 0;
    int width = 0;  // of the child and the back buffer
    int height = 0;
    EdgeRect rect;  // destination rectangle in the destination's client coordinates
    bool visible = false;
    bool pending = false;  // a repaint is scheduled
};

// Creates the child window (mapped, black) and its back buffer at the given size; false,
// with nothing left behind, when the server refuses either (a buffer too large: BadAlloc).
bool CreateThumbView(X11Context& context, const X11ThumbRender& render, X11ThumbView& view,
                     int width, int height);
// Follows the destination's size: resizes the child and makes a new back buffer that keeps
// the old picture where the two overlap. Returns true when the size changed; when the
// server refuses the new buffer the view keeps its old one and size, and returns false.
bool ResizeThumbView(X11Context& context, const X11ThumbRender& render, X11ThumbView& view,
                     int width, int height);
// Draws the source into the back buffer and copies what changed to the child. clear paints
// the whole buffer black first (the margins), needed when the rectangle or size changed.
void PaintThumbView(X11Context& context, X11ThumbView& view, const X11ThumbSource* source,
                    bool clear);
// Copies part of the back buffer to the child (an Expose).
void PresentThumbView(X11Context& context, const X11ThumbView& view, int x, int y, int width,
                      int height);
// How many images have been composited into thumbnails by this process, for benchmarks.
std::uint64_t X11ThumbnailFramesDrawn();
// Frees the child window and the buffer, ignoring errors (the destination may be gone).
void DestroyThumbView(X11Context& context, X11ThumbView& view);
