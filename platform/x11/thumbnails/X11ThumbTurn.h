// A quarter-turned, scaled image drawn by the server in two composites, each one it does on a
// fast path, instead of one it does slowly: the server scales with bilinear filtering quickly
// when the transform only scales (and mirrors), and turns pixel for pixel quickly (an integer
// transform, nearest filter), but a bilinear transform that scales and rotates goes through
// its general per-pixel path, several times slower. So the image is scaled and turned one
// after the other through a pixmap of the view's own, in the order that handles fewer pixels
// (the view chooses). The pixmap holds at most the visible part of the image (never more than
// the view's size, four bytes a pixel at depth 24) and is made again only when its size
// changes. The program copies no pixels.
#pragma once

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <QRect>
#include <QSize>

#include <array>
#include <optional>

#include "platform/CloneGeometry.h"
#include "platform/x11/connection/X11Context.h"
#include "platform/x11/connection/X11Owned.h"
#include "platform/x11/thumbnails/X11RenderFormats.h"

class X11ThumbTurn {
  public:
    X11ThumbTurn(X11Context& context, const X11RenderFormats& formats)
        : context_(context), formats_(formats) {}

    // Whether an image of `shown` turned by turn into a rectangle of the given size is drawn
    // in two steps: quarter turns that are scaled. At one to one the single composite turns
    // pixel for pixel, which is fast already.
    static bool Wanted(const QRect& shown, ImageTurn turn, QSize rect);

    // Whether the shown part is turned first, then scaled: when it has fewer pixels than the
    // visible piece of the image, which is otherwise scaled first, then turned.
    static bool TurnFirst(QSize shown, QSize piece);

    // The part of the unturned image (the rectangle's image turned back) that the box of the
    // rectangle (relative to its corner) shows once turned.
    static QRect UnturnedBox(const QRect& box, ImageTurn turn, QSize rect);

    // A pixmap for an unturned piece of the given size: the one held when it has that size,
    // else a new one. False when the server refuses it (the old one is freed either way);
    // a size refused is not asked for again until another size is wanted, so a view drawn
    // in one composite instead costs no round trip a frame.
    bool Fit(QSize size);
    xcb_render_picture_t Picture() const { return picture_.Id(); }
    // Draws the pixmap into clip of into: the composite's source starts at from, mapped to
    // the pixmap's pixels by m (as DestinationToSource gives it), nearest or bilinear. Outside
    // the pixmap its edge pixels go on.
    void Draw(xcb_render_picture_t into, const QRect& clip, QPoint from,
              const std::array<double, 6>& m, bool nearest);
    // Frees the pixmap, when the view draws no quarter turn any more; any size may be asked
    // for again.
    void Release();

  private:
    void Free();

    X11Context& context_;
    const X11RenderFormats& formats_;
    OwnedPixmap pixmap_;
    OwnedPicture picture_;
    QSize size_;
    QSize refused_;
    // The picture's transform and filter as last set; unset for a new picture.
    std::optional<std::array<xcb_render_fixed_t, 6>> transform_;
    std::optional<bool> nearest_;
};
