// Where one thumbnail is drawn: a child X window of our own inside the destination window,
// covering it, with a back-buffer pixmap of the same size. A new frame of the source is
// composited, scaled, straight into the child: one operation of the server, nothing copied;
// the source picture's transform also crops and mirrors it. A quarter turn that is scaled
// takes two (X11ThumbTurn: scaled and turned one after the other, each fast). Whole repaints
// (a new rectangle or size: margins and image) go through the back buffer, and the buffer is
// brought up to date before the source goes, so it always holds a picture to show when there
// is no source left to draw from. Qt's painting of the destination never interferes. The child
// selects only Exposure, so clicks reach the destination window below it. The view owns the
// child, its graphics context and the buffer.
#pragma once

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <QRect>
#include <QSize>

#include <functional>
#include <memory>
#include <optional>

#include "platform/CloneGeometry.h"
#include "platform/x11/connection/X11Context.h"
#include "platform/x11/connection/X11Owned.h"
#include "platform/x11/thumbnails/X11RenderFormats.h"
#include "platform/x11/thumbnails/X11ThumbPointer.h"
#include "platform/x11/thumbnails/X11ThumbSource.h"
#include "platform/x11/thumbnails/X11ThumbTurn.h"

class X11ThumbView {
  public:
    // Creates the child window (mapped, black) and its back buffer at the given size; null,
    // with nothing left behind, when the server refuses either (a buffer too large: BadAlloc).
    static std::unique_ptr<X11ThumbView> Create(X11Context& context,
                                                const X11RenderFormats& formats,
                                                xcb_window_t destination, xcb_window_t source,
                                                int width, int height);

    // A window's size as the server has it now; nothing when it is gone.
    static std::optional<QSize> WindowSize(X11Context& context, xcb_window_t window);
    // Watches the destination's parent for resizes when that is a window manager's frame.
    void WatchParent();
    // Follows the destination's size: resizes the child and makes a new back buffer that
    // keeps the old picture where the two overlap. True when the size changed; when the
    // server refuses the new buffer the view keeps its old one and size, and returns false.
    bool Resize(int width, int height);
    // Draws the source. clear repaints everything through the back buffer, margins black,
    // needed when the rectangle or size changed; otherwise only the image is composited,
    // into the child. The pointer, when given, is drawn over the image. True when an image
    // of the source was composited.
    bool Paint(X11ThumbSource* source, bool clear, const X11ThumbPointer* pointer);
    // Draws part of the child again (an Expose): from the source when it has a picture,
    // else from the back buffer.
    void Repair(X11ThumbSource* source, const X11ThumbPointer* pointer, int x, int y, int width,
                int height);
    // The source is about to go: the back buffer takes its last image (without the pointer),
    // to be shown from then on.
    void KeepLastImage(X11ThumbSource* source);
    // The destination was destroyed, and the child with it.
    void DestinationDestroyed();

    xcb_window_t Destination() const { return destination_; }
    xcb_window_t Source() const { return source_; }
    xcb_window_t Child() const { return child_.Id(); }
    bool DestinationAlive() const { return destinationAlive_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    QRect rect;  // destination rectangle in the destination's client coordinates
    QRect part;  // the part of the source drawn there (its client pixels); empty: all
    ImageTurn turn = ImageTurn::None;
    bool visible = false;
    bool pending = false;                 // a repaint is scheduled
    xcb_window_t watchedParent = 0;       // the destination's parent when that is not the root
    std::function<void()> sourceResized;  // told when the source changed size

  private:
    struct Buffer {
        OwnedPixmap pixmap;
        OwnedPicture picture;
    };
    X11ThumbView(X11Context& context, const X11RenderFormats& formats, xcb_window_t destination,
                 xcb_window_t source)
        : context_(context),
          formats_(formats),
          destination_(destination),
          source_(source),
          turnStage_(context, formats) {}
    bool MakeBuffer(int width, int height, Buffer& out);
    bool Composite(X11ThumbSource& source, xcb_render_picture_t into,
                   const X11ThumbPointer* pointer);
    bool CompositeTurned(X11ThumbSource& source, const QRect& shown, xcb_render_picture_t into,
                         const QRect& box);
    void Present(int x, int y, int width, int height) const;
    // part within the source's named picture; the whole picture when they do not meet.
    QRect ShownPart(const X11ThumbSource& source) const;

    X11Context& context_;
    const X11RenderFormats& formats_;
    xcb_window_t destination_;
    xcb_window_t source_;
    bool destinationAlive_ = true;
    OwnedWindow child_;
    OwnedGc gc_;
    Buffer buffer_;
    OwnedPicture childPicture_;
    X11ThumbTurn turnStage_;     // quarter turns that are scaled are drawn through its pixmap
    bool bufferCurrent_ = true;  // the back buffer holds what the child shows
    int width_ = 0;              // of the child and the back buffer
    int height_ = 0;
};
