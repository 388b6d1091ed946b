#include "platform/x11/thumbnails/X11ThumbView.h"

#include <algorithm>
#include <array>

namespace {

struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
};

Box Intersect(const QRect& r, int width, int height) {
    const int left = std::max(r.x(), 0);
    const int top = std::max(r.y(), 0);
    const int right = std::min(r.x() + r.width(), width);
    const int bottom = std::min(r.y() + r.height(), height);
    return {left, top, right - left, bottom - top};
}

// Maps destination pixels (from the rectangle's corner) to the named pixmap's: the shown part
// of the source, turned, across the whole rectangle, shifted past the window's border.
std::array<xcb_render_fixed_t, 9> SourceTransform(const X11ThumbSource& source, const QRect& part,
                                                  ImageTurn turn, QSize size) {
    const auto m = DestinationToSource(part, turn, size);
    const double border = source.pictureBorder;
    return {ToFixedFactor(m[0]),
            ToFixedFactor(m[1]),
            ToFixed(m[2] + border),
            ToFixedFactor(m[3]),
            ToFixedFactor(m[4]),
            ToFixed(m[5] + border),
            0,
            0,
            ToFixed(1.0)};
}

// The picture is shared by every view of its source, so each view sets its own transform
// before it draws; nothing is sent when it is set already. At 1:1 the nearest filter lets the
// server copy instead of interpolating.
void SetTransform(xcb_connection_t* c, X11ThumbSource& source, const QRect& part, ImageTurn turn,
                  QSize size) {
    const auto transform = SourceTransform(source, part, turn, size);
    const bool nearest = TurnedSize(part.size(), turn) == size;
    if (source.transform == transform && source.nearest == nearest) {
        return;
    }
    if (!source.transform || source.nearest != nearest) {
        SetPictureFilter(c, source.Picture(), nearest);
    }
    source.transform = transform;
    source.nearest = nearest;
    const xcb_render_transform_t sent{transform[0], transform[1], transform[2],
                                      transform[3], transform[4], transform[5],
                                      transform[6], transform[7], transform[8]};
    xcb_render_set_picture_transform(c, source.Picture(), sent);
}

void FillBlack(xcb_connection_t* c, xcb_render_picture_t picture, int width, int height) {
    const xcb_rectangle_t all{0, 0, ToExtent(width), ToExtent(height)};
    const xcb_render_color_t black{0, 0, 0, 0xffff};
    xcb_render_fill_rectangles(c, XCB_RENDER_PICT_OP_SRC, picture, black, 1, &all);
}

}  // namespace

std::unique_ptr<X11ThumbView> X11ThumbView::Create(X11Context& context,
                                                   const X11RenderFormats& formats,
                                                   xcb_window_t destination, xcb_window_t source,
                                                   int width, int height) {
    xcb_connection_t* c = context.Connection();
    xcb_screen_t* screen = context.Screen();
    std::unique_ptr<X11ThumbView> view(new X11ThumbView(context, formats, destination, source));
    const xcb_window_t child = xcb_generate_id(c);
    // Own visual, depth and colormap, so the destination's visual does not matter.
    const std::uint32_t values[] = {screen->black_pixel, 0, XCB_EVENT_MASK_EXPOSURE,
                                    screen->default_colormap};
    const std::uint32_t mask =
        XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP;
    XcbReply<xcb_generic_error_t> error(xcb_request_check(
        c, xcb_create_window_checked(
               c, screen->root_depth, child, destination, 0, 0, ToExtent(width), ToExtent(height),
               0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, mask, values)));
    if (error) {
        return nullptr;
    }
    view->child_ = OwnedWindow(context, child);
    view->gc_ = OwnedGc(context, xcb_generate_id(c));
    const std::uint32_t noExposures = 0;
    xcb_create_gc(c, view->gc_.Id(), child, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    if (!view->MakeBuffer(width, height, view->buffer_)) {
        return nullptr;
    }
    view->childPicture_ = OwnedPicture(context, xcb_generate_id(c));
    xcb_render_create_picture(c, view->childPicture_.Id(), child,
                              formats.FormatFor(screen->root_visual, screen->root_depth), 0,
                              nullptr);
    view->width_ = width;
    view->height_ = height;
    xcb_map_window(c, child);
    return view;
}

// The buffer is as large as the destination, which the server may refuse (BadAlloc): the
// pixmap is made with a checked request, and on failure nothing is made, so nothing later
// draws to a pixmap that is not there.
bool X11ThumbView::MakeBuffer(int width, int height, Buffer& out) {
    xcb_connection_t* c = context_.Connection();
    xcb_screen_t* screen = context_.Screen();
    const xcb_render_pictformat_t format =
        formats_.FormatFor(screen->root_visual, screen->root_depth);
    if (format == 0) {
        return false;
    }
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    XcbReply<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_create_pixmap_checked(c, screen->root_depth, pixmap, child_.Id(),
                                                       ToExtent(width), ToExtent(height))));
    if (error) {
        return false;
    }
    out.pixmap = OwnedPixmap(context_, pixmap);
    out.picture = OwnedPicture(context_, xcb_generate_id(c));
    xcb_render_create_picture(c, out.picture.Id(), pixmap, format, 0, nullptr);
    FillBlack(c, out.picture.Id(), width, height);
    return true;
}

std::optional<QSize> X11ThumbView::WindowSize(X11Context& context, xcb_window_t window) {
    xcb_connection_t* c = context.Connection();
    auto geometry = XcbTake(c, xcb_get_geometry(c, window), xcb_get_geometry_reply);
    if (!geometry) {
        return std::nullopt;
    }
    return QSize(geometry->width, geometry->height);
}

// The window manager's frame around the destination reports its resizes; a destination
// straight on the root needs no such help.
void X11ThumbView::WatchParent() {
    xcb_connection_t* c = context_.Connection();
    auto tree = XcbTake(c, xcb_query_tree(c, destination_), xcb_query_tree_reply);
    if (!tree || tree->parent == watchedParent) {
        return;
    }
    watchedParent = tree->parent == context_.Root() ? xcb_window_t{0} : tree->parent;
    if (watchedParent != 0) {
        context_.AddEventMask(watchedParent, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    }
}

bool X11ThumbView::Resize(int width, int height) {
    if ((width == width_ && height == height_) || !destinationAlive_) {
        return false;
    }
    // Without a new buffer the view stays as it was, child, buffer and size: it keeps its
    // picture, nothing is painted for this size, and the next resize or update tries again.
    Buffer fresh;
    if (!MakeBuffer(width, height, fresh)) {
        return false;
    }
    xcb_connection_t* c = context_.Connection();
    const std::uint32_t size[] = {ToExtent(width), ToExtent(height)};
    xcb_configure_window(c, child_.Id(), XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    // Keep the last picture where old and new overlap: a source that has gone has no other.
    xcb_copy_area(c, buffer_.pixmap.Id(), fresh.pixmap.Id(), gc_.Id(), 0, 0, 0, 0,
                  ToExtent(std::min(width, width_)), ToExtent(std::min(height, height_)));
    buffer_ = std::move(fresh);  // frees the old buffer
    width_ = width;
    height_ = height;
    return true;
}

bool X11ThumbView::Composite(X11ThumbSource& source, xcb_render_picture_t into,
                             const X11ThumbPointer* pointer) {
    const Box clip = Intersect(rect, width_, height_);
    if (!visible || source.Picture() == 0 || rect.width() <= 0 || rect.height() <= 0 ||
        clip.Empty()) {
        return false;
    }
    xcb_connection_t* c = context_.Connection();
    const QRect shown = ShownPart(source);
    const QRect box(clip.x, clip.y, clip.width, clip.height);
    if (!CompositeTurned(source, shown, into, box)) {
        SetTransform(c, source, shown, turn, rect.size());
        xcb_render_composite(c, XCB_RENDER_PICT_OP_SRC, source.Picture(), XCB_NONE, into,
                             static_cast<std::int16_t>(clip.x - rect.x()),
                             static_cast<std::int16_t>(clip.y - rect.y()), 0, 0,
                             static_cast<std::int16_t>(clip.x), static_cast<std::int16_t>(clip.y),
                             ToExtent(clip.width), ToExtent(clip.height));
    }
    if (pointer != nullptr) {
        pointer->Draw(source_, shown, turn, into, rect, box);
    }
    return true;
}

// A scaled quarter turn in two composites through the turn's pixmap, in the order that
// touches fewer pixels. Scaled first (the image is made smaller, or no larger than the source
// part): the visible box of the image, turned back, is scaled from the source into the pixmap
// (the source picture's transform scales the whole rectangle's unturned image; the composite's
// source offset picks the box out of it), then turned from there into place. Turned first (the
// image is enlarged): the shown part is turned one to one into the pixmap, then scaled from
// there into place. False, with nothing drawn, when the image is not drawn this way or the
// server refuses the pixmap.
bool X11ThumbView::CompositeTurned(X11ThumbSource& source, const QRect& shown,
                                   xcb_render_picture_t into, const QRect& box) {
    if (!X11ThumbTurn::Wanted(shown, turn, rect.size())) {
        turnStage_.Release();
        return false;
    }
    const QRect piece =
        X11ThumbTurn::UnturnedBox(box.translated(-rect.topLeft()), turn, rect.size());
    const bool turnFirst = X11ThumbTurn::TurnFirst(shown.size(), piece.size());
    const QSize staged = turnFirst ? TurnedSize(shown.size(), turn) : piece.size();
    if (!turnStage_.Fit(staged)) {
        return false;
    }
    xcb_connection_t* c = context_.Connection();
    const QPoint from = turnFirst ? QPoint(0, 0) : piece.topLeft();
    SetTransform(c, source, shown, turnFirst ? turn : ImageTurn::None,
                 turnFirst ? staged : TurnedSize(rect.size(), turn));
    xcb_render_composite(c, XCB_RENDER_PICT_OP_SRC, source.Picture(), XCB_NONE,
                         turnStage_.Picture(), static_cast<std::int16_t>(from.x()),
                         static_cast<std::int16_t>(from.y()), 0, 0, 0, 0, ToExtent(staged.width()),
                         ToExtent(staged.height()));
    if (turnFirst) {
        turnStage_.Draw(
            into, box, box.topLeft() - rect.topLeft(),
            DestinationToSource(QRect(QPoint(0, 0), staged), ImageTurn::None, rect.size()), false);
    } else {
        turnStage_.Draw(into, box, QPoint(0, 0),
                        DestinationToSource(QRect(QPoint(0, 0), staged), turn, box.size()), true);
    }
    return true;
}

bool X11ThumbView::Paint(X11ThumbSource* source, bool clear, const X11ThumbPointer* pointer) {
    if (!buffer_.pixmap || !destinationAlive_) {
        return false;
    }
    if (!clear && visible) {
        // A new frame: the rectangle and the margins are as they were.
        const bool drawn = source != nullptr && Composite(*source, childPicture_.Id(), pointer);
        bufferCurrent_ = bufferCurrent_ && !drawn;
        return drawn;
    }
    FillBlack(context_.Connection(), buffer_.picture.Id(), width_, height_);
    const bool drawn = source != nullptr && Composite(*source, buffer_.picture.Id(), pointer);
    Present(0, 0, width_, height_);
    bufferCurrent_ = true;
    return drawn;
}

void X11ThumbView::Repair(X11ThumbSource* source, const X11ThumbPointer* pointer, int x, int y,
                          int width, int height) {
    if (bufferCurrent_ || source == nullptr || source->Picture() == 0) {
        Present(x, y, width, height);
        return;
    }
    // The server cleared the exposed part to the child's black background.
    Composite(*source, childPicture_.Id(), pointer);
}

void X11ThumbView::KeepLastImage(X11ThumbSource* source) {
    if (source == nullptr || !buffer_.pixmap || !destinationAlive_) {
        return;
    }
    // Also when the buffer is current: its image may carry the pointer, which goes now.
    Composite(*source, buffer_.picture.Id(), nullptr);
    Present(0, 0, width_, height_);
    bufferCurrent_ = true;
}

QRect X11ThumbView::ShownPart(const X11ThumbSource& source) const {
    const QRect whole(0, 0, source.pictureWidth, source.pictureHeight);
    const QRect shown = part & whole;
    return shown.isEmpty() ? whole : shown;
}

void X11ThumbView::Present(int x, int y, int width, int height) const {
    if (!buffer_.pixmap || !destinationAlive_ || width <= 0 || height <= 0) {
        return;
    }
    xcb_copy_area(context_.Connection(), buffer_.pixmap.Id(), child_.Id(), gc_.Id(),
                  static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                  static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), ToExtent(width),
                  ToExtent(height));
}

void X11ThumbView::DestinationDestroyed() {
    destinationAlive_ = false;
    childPicture_.Forget();  // went with the child
    child_.Forget();
}
