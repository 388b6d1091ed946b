#include "platform/x11/X11ThumbView.h"

#include <algorithm>

namespace {

std::uint64_t g_framesDrawn = 0;

struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
};

Box Intersect(const EdgeRect& r, int width, int height) {
    const int left = std::max(r.left, 0);
    const int top = std::max(r.top, 0);
    const int right = std::min(r.right, width);
    const int bottom = std::min(r.bottom, height);
    return {left, top, right - left, bottom - top};
}

std::uint16_t Extent(int v) {
    return static_cast<std::uint16_t>(std::clamp(v, 1, 32767));
}

// The buffer is as large as the destination, which the server may refuse (BadAlloc): the
// pixmap is made with a checked request, and on failure the view keeps what it had (no
// buffer at all, or the previous one), so nothing later draws to a pixmap that is not there.
bool MakeBuffer(X11Context& context, const X11ThumbRender& render, X11ThumbView& view, int width,
                int height) {
    xcb_connection_t* c = context.Connection();
    xcb_screen_t* screen = context.Screen();
    const xcb_render_pictformat_t format =
        render.FormatFor(screen->root_visual, screen->root_depth);
    if (format == 0) {
        return false;
    }
    const xcb_pixmap_t buffer = xcb_generate_id(c);
    XcbReply<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_create_pixmap_checked(c, screen->root_depth, buffer, view.child,
                                                       Extent(width), Extent(height))));
    if (error) {
        return false;
    }
    view.buffer = buffer;
    view.bufferPicture = xcb_generate_id(c);
    xcb_render_create_picture(c, view.bufferPicture, view.buffer, format, 0, nullptr);
    view.width = width;
    view.height = height;
    const xcb_rectangle_t all{0, 0, Extent(width), Extent(height)};
    const xcb_render_color_t black{0, 0, 0, 0xffff};
    xcb_render_fill_rectangles(c, XCB_RENDER_PICT_OP_SRC, view.bufferPicture, black, 1, &all);
    return true;
}

void FreeBuffer(X11Context& context, X11ThumbView& view) {
    xcb_connection_t* c = context.Connection();
    if (view.bufferPicture != 0) {
        xcb_render_free_picture(c, view.bufferPicture);
    }
    if (view.buffer != 0) {
        xcb_free_pixmap(c, view.buffer);
    }
    view.bufferPicture = 0;
    view.buffer = 0;
}

// Maps destination pixels to source pixels: the source's size over the rectangle's size in
// both directions, shifted past the window's border inside the named pixmap. The factors
// stay below what 16.16 fixed point holds (a source 32768 times the rectangle's size, e.g.
// drawn into one pixel, would overflow it); such a rectangle shows a blur either way.
xcb_render_transform_t ScaleTransform(const X11ThumbSource& source, int width, int height) {
    constexpr double kLargestScale = 32767.0;
    const double sx = std::min(static_cast<double>(source.pictureWidth) / width, kLargestScale);
    const double sy = std::min(static_cast<double>(source.pictureHeight) / height, kLargestScale);
    const xcb_render_fixed_t one = ToFixed(1.0);
    const xcb_render_fixed_t border = ToFixed(source.pictureBorder);
    return {ToFixed(sx), 0, border, 0, ToFixed(sy), border, 0, 0, one};
}

// The picture is shared by every view of its source, so each view sets its own scale before
// it draws. At 1:1 the nearest filter lets the server copy instead of interpolating.
void SetScale(xcb_connection_t* c, const X11ThumbSource& source, int width, int height) {
    static const char kBilinear[] = "bilinear";
    static const char kNearest[] = "nearest";
    const bool unscaled = width == source.pictureWidth && height == source.pictureHeight;
    const char* filter = unscaled ? kNearest : kBilinear;
    xcb_render_set_picture_filter(
        c, source.picture,
        static_cast<std::uint16_t>(unscaled ? sizeof kNearest - 1 : sizeof kBilinear - 1), filter,
        0, nullptr);
    xcb_render_set_picture_transform(c, source.picture, ScaleTransform(source, width, height));
}

}  // namespace

bool CreateThumbView(X11Context& context, const X11ThumbRender& render, X11ThumbView& view,
                     int width, int height) {
    xcb_connection_t* c = context.Connection();
    xcb_screen_t* screen = context.Screen();
    view.child = xcb_generate_id(c);
    // Own visual, depth and colormap, so the destination's visual does not matter.
    const std::uint32_t values[] = {screen->black_pixel, 0, XCB_EVENT_MASK_EXPOSURE,
                                    screen->default_colormap};
    const std::uint32_t mask =
        XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP;
    XcbReply<xcb_generic_error_t> error(xcb_request_check(
        c,
        xcb_create_window_checked(c, screen->root_depth, view.child, view.destination, 0, 0,
                                  Extent(width), Extent(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                                  screen->root_visual, mask, values)));
    if (error) {
        view.child = 0;
        return false;
    }
    view.gc = xcb_generate_id(c);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(c, view.gc, view.child, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    if (!MakeBuffer(context, render, view, width, height)) {
        DestroyThumbView(context, view);
        return false;
    }
    xcb_map_window(c, view.child);
    return true;
}

bool ResizeThumbView(X11Context& context, const X11ThumbRender& render, X11ThumbView& view,
                     int width, int height) {
    if (width == view.width && height == view.height) {
        return false;
    }
    xcb_connection_t* c = context.Connection();
    X11ThumbView old = view;
    // Without a new buffer the view stays as it was, child, buffer and size: it keeps its
    // picture, nothing is painted for this size, and the next resize or update tries again.
    if (!MakeBuffer(context, render, view, width, height)) {
        return false;
    }
    const std::uint32_t size[] = {Extent(width), Extent(height)};
    xcb_configure_window(c, view.child, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    // Keep the last picture where old and new overlap: a source that has gone has no other.
    xcb_copy_area(c, old.buffer, view.buffer, view.gc, 0, 0, 0, 0,
                  Extent(std::min(width, old.width)), Extent(std::min(height, old.height)));
    FreeBuffer(context, old);
    return true;
}

void PaintThumbView(X11Context& context, X11ThumbView& view, const X11ThumbSource* source,
                    bool clear) {
    if (view.buffer == 0 || !view.destinationAlive) {
        return;
    }
    xcb_connection_t* c = context.Connection();
    Box changed;
    if (clear || !view.visible) {
        const xcb_rectangle_t all{0, 0, Extent(view.width), Extent(view.height)};
        const xcb_render_color_t black{0, 0, 0, 0xffff};
        xcb_render_fill_rectangles(c, XCB_RENDER_PICT_OP_SRC, view.bufferPicture, black, 1, &all);
        changed = {0, 0, view.width, view.height};
    }
    const int rectWidth = view.rect.right - view.rect.left;
    const int rectHeight = view.rect.bottom - view.rect.top;
    const Box clip = Intersect(view.rect, view.width, view.height);
    if (view.visible && source != nullptr && source->picture != 0 && rectWidth > 0 &&
        rectHeight > 0 && !clip.Empty()) {
        SetScale(c, *source, rectWidth, rectHeight);
        xcb_render_composite(c, XCB_RENDER_PICT_OP_SRC, source->picture, XCB_NONE,
                             view.bufferPicture, static_cast<std::int16_t>(clip.x - view.rect.left),
                             static_cast<std::int16_t>(clip.y - view.rect.top), 0, 0,
                             static_cast<std::int16_t>(clip.x), static_cast<std::int16_t>(clip.y),
                             Extent(clip.width), Extent(clip.height));
        ++g_framesDrawn;
        if (changed.Empty()) {
            changed = clip;
        }
    }
    if (!changed.Empty()) {
        PresentThumbView(context, view, changed.x, changed.y, changed.width, changed.height);
    }
}

std::uint64_t X11ThumbnailFramesDrawn() {
    return g_framesDrawn;
}

void PresentThumbView(X11Context& context, const X11ThumbView& view, int x, int y, int width,
                      int height) {
    if (view.buffer == 0 || !view.destinationAlive || width <= 0 || height <= 0) {
        return;
    }
    xcb_copy_area(context.Connection(), view.buffer, view.child, view.gc,
                  static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                  static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), Extent(width),
                  Extent(height));
}

void DestroyThumbView(X11Context& context, X11ThumbView& view) {
    xcb_connection_t* c = context.Connection();
    if (view.bufferPicture != 0) {
        context.IgnoreErrorOf(xcb_render_free_picture(c, view.bufferPicture).sequence);
    }
    if (view.buffer != 0) {
        context.IgnoreErrorOf(xcb_free_pixmap(c, view.buffer).sequence);
    }
    if (view.gc != 0) {
        context.IgnoreErrorOf(xcb_free_gc(c, view.gc).sequence);
    }
    // The child went with the destination when that was destroyed first.
    if (view.child != 0 && view.destinationAlive) {
        context.IgnoreErrorOf(xcb_destroy_window(c, view.child).sequence);
    }
    view = X11ThumbView{};
}
