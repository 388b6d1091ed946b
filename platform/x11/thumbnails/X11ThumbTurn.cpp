#include "platform/x11/thumbnails/X11ThumbTurn.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

bool X11ThumbTurn::Wanted(const QRect& shown, ImageTurn turn, QSize rect) {
    const bool quarter = turn == ImageTurn::Rotate90 || turn == ImageTurn::Rotate270;
    return quarter && !shown.isEmpty() && !rect.isEmpty() && TurnedSize(shown.size(), turn) != rect;
}

bool X11ThumbTurn::TurnFirst(QSize shown, QSize piece) {
    return static_cast<std::int64_t>(shown.width()) * shown.height() <
           static_cast<std::int64_t>(piece.width()) * piece.height();
}

// The turn maps the rectangle's pixels onto the unturned image's one for one (its factors are
// 1, -1 or 0), so the box's two corners, as points, land on two opposite corners of its image.
QRect X11ThumbTurn::UnturnedBox(const QRect& box, ImageTurn turn, QSize rect) {
    const auto m = DestinationToSource(QRect(QPoint(0, 0), TurnedSize(rect, turn)), turn, rect);
    const auto map = [&m](double x, double y) {
        return QPointF(m[0] * x + m[1] * y + m[2], m[3] * x + m[4] * y + m[5]);
    };
    const QPointF a = map(box.x(), box.y());
    const QPointF b = map(box.x() + box.width(), box.y() + box.height());
    const auto whole = [](double v) { return static_cast<int>(std::lround(v)); };
    return QRect(QPoint(whole(std::min(a.x(), b.x())), whole(std::min(a.y(), b.y()))),
                 QSize(whole(std::abs(b.x() - a.x())), whole(std::abs(b.y() - a.y()))));
}

bool X11ThumbTurn::Fit(QSize size) {
    if (size == size_ && picture_) {
        return true;
    }
    Free();
    if (size == refused_) {
        return false;
    }
    xcb_connection_t* c = context_.Connection();
    xcb_screen_t* screen = context_.Screen();
    const xcb_render_pictformat_t format =
        formats_.FormatFor(screen->root_visual, screen->root_depth);
    if (format == 0 || size.isEmpty()) {
        return false;
    }
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    XcbReply<xcb_generic_error_t> error(xcb_request_check(
        c, xcb_create_pixmap_checked(c, screen->root_depth, pixmap, context_.Root(),
                                     ToExtent(size.width()), ToExtent(size.height()))));
    if (error) {
        refused_ = size;
        return false;
    }
    refused_ = QSize();
    pixmap_ = OwnedPixmap(context_, pixmap);
    picture_ = OwnedPicture(context_, xcb_generate_id(c));
    // Scaled from, its edge pixels go on as the source's do.
    const std::uint32_t repeat = XCB_RENDER_REPEAT_PAD;
    xcb_render_create_picture(c, picture_.Id(), pixmap, format, XCB_RENDER_CP_REPEAT, &repeat);
    size_ = size;
    return true;
}

void X11ThumbTurn::Draw(xcb_render_picture_t into, const QRect& clip, QPoint from,
                        const std::array<double, 6>& m, bool nearest) {
    if (!picture_ || clip.isEmpty()) {
        return;
    }
    xcb_connection_t* c = context_.Connection();
    if (nearest_ != nearest) {
        SetPictureFilter(c, picture_.Id(), nearest);
        nearest_ = nearest;
    }
    const std::array<xcb_render_fixed_t, 6> transform{ToFixedFactor(m[0]), ToFixedFactor(m[1]),
                                                      ToFixedFactor(m[2]), ToFixedFactor(m[3]),
                                                      ToFixedFactor(m[4]), ToFixedFactor(m[5])};
    if (transform_ != transform) {
        transform_ = transform;
        xcb_render_set_picture_transform(c, picture_.Id(),
                                         {transform[0], transform[1], transform[2], transform[3],
                                          transform[4], transform[5], 0, 0, ToFixed(1.0)});
    }
    xcb_render_composite(c, XCB_RENDER_PICT_OP_SRC, picture_.Id(), XCB_NONE, into,
                         ToCoordinate(from.x()), ToCoordinate(from.y()), 0, 0,
                         ToCoordinate(clip.x()), ToCoordinate(clip.y()), ToExtent(clip.width()),
                         ToExtent(clip.height()));
}

void X11ThumbTurn::Release() {
    Free();
    refused_ = QSize();
}

void X11ThumbTurn::Free() {
    picture_.Reset();
    pixmap_.Reset();
    size_ = QSize();
    transform_.reset();
    nearest_.reset();
}
