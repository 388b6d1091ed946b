// Where one thumbnail is drawn: a child X window of our own inside the destination window,
// covering it, with a back-buffer pixmap of the same size. The source is composited, scaled,
// into the back buffer and the changed part is then copied to the child, so a frame never
// tears and Qt's painting of the destination never interferes. The child selects only
// Exposure, so clicks reach the destination window below it. The view owns the child, its
// graphics context and the buffer.
#pragma once

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <QRect>

#include <memory>

#include "platform/x11/X11Context.h"
#include "platform/x11/X11Owned.h"
#include "platform/x11/X11ThumbRender.h"
#include "platform/x11/X11ThumbSource.h"

class X11ThumbView {
  public:
    // Creates the child window (mapped, black) and its back buffer at the given size; null,
    // with nothing left behind, when the server refuses either (a buffer too large: BadAlloc).
    static std::unique_ptr<X11ThumbView> Create(X11Context& context, const X11ThumbRender& render,
                                                xcb_window_t destination, xcb_window_t source,
                                                int width, int height);

    // Follows the destination's size: resizes the child and makes a new back buffer that
    // keeps the old picture where the two overlap. True when the size changed; when the
    // server refuses the new buffer the view keeps its old one and size, and returns false.
    bool Resize(int width, int height);
    // Draws the source into the back buffer and copies what changed to the child. clear
    // paints the whole buffer black first (the margins), needed when the rectangle or size
    // changed. True when an image of the source was composited.
    bool Paint(const X11ThumbSource* source, bool clear);
    // Copies part of the back buffer to the child (an Expose).
    void Present(int x, int y, int width, int height) const;
    // The destination was destroyed, and the child with it.
    void DestinationDestroyed();

    xcb_window_t Destination() const { return destination_; }
    xcb_window_t Source() const { return source_; }
    xcb_window_t Child() const { return child_.Id(); }
    bool DestinationAlive() const { return destinationAlive_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    QRect rect;  // destination rectangle in the destination's client coordinates
    bool visible = false;
    bool pending = false;            // a repaint is scheduled
    xcb_window_t watchedParent = 0;  // the destination's parent when that is not the root

  private:
    struct Buffer {
        OwnedPixmap pixmap;
        OwnedPicture picture;
    };
    X11ThumbView(X11Context& context, const X11ThumbRender& render, xcb_window_t destination,
                 xcb_window_t source)
        : context_(context), render_(render), destination_(destination), source_(source) {}
    bool MakeBuffer(int width, int height, Buffer& out);

    X11Context& context_;
    const X11ThumbRender& render_;
    xcb_window_t destination_;
    xcb_window_t source_;
    bool destinationAlive_ = true;
    OwnedWindow child_;
    OwnedGc gc_;
    Buffer buffer_;
    int width_ = 0;  // of the child and the back buffer
    int height_ = 0;
};
