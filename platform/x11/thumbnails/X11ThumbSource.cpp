#include "platform/x11/thumbnails/X11ThumbSource.h"

#include <xcb/composite.h>

namespace {

bool Succeeded(xcb_connection_t* c, xcb_void_cookie_t cookie) {
    XcbReply<xcb_generic_error_t> error(xcb_request_check(c, cookie));
    return !error;
}

// Adds StructureNotify and VisibilityChange to our mask on the source, keeping the bits
// already chosen; checked, since the window may vanish between the query and the change.
// Only a visibility change tells that the window became viewable again when a window
// manager unmapped and mapped its frame instead of the window.
bool WatchStructure(xcb_connection_t* c, xcb_window_t window, std::uint32_t currentMask) {
    const std::uint32_t mask =
        currentMask | XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_VISIBILITY_CHANGE;
    if (mask == currentMask) {
        return true;
    }
    return Succeeded(c, xcb_change_window_attributes_checked(c, window, XCB_CW_EVENT_MASK, &mask));
}

}  // namespace

std::unique_ptr<X11ThumbSource> X11ThumbSource::Open(X11Context& context,
                                                     const X11RenderFormats& formats,
                                                     xcb_window_t window) {
    xcb_connection_t* c = context.Connection();
    if (window == XCB_NONE || window == context.Root() || context.IsOwnResource(window)) {
        return nullptr;
    }
    auto attrs = XcbTake(c, xcb_get_window_attributes(c, window), xcb_get_window_attributes_reply);
    auto geometry = XcbTake(c, xcb_get_geometry(c, window), xcb_get_geometry_reply);
    if (!attrs || !geometry || attrs->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT) {
        return nullptr;
    }
    std::unique_ptr<X11ThumbSource> source(new X11ThumbSource(context, window));
    source->format_ = formats.FormatFor(attrs->visual, geometry->depth);
    if (source->format_ == 0 || !WatchStructure(c, window, attrs->your_event_mask)) {
        return nullptr;
    }
    if (!Succeeded(c, xcb_composite_redirect_window_checked(c, window,
                                                            XCB_COMPOSITE_REDIRECT_AUTOMATIC))) {
        return nullptr;
    }
    source->redirection_ = OwnedRedirection(context, window);
    // The size and map state after the redirection; later changes come as events.
    auto now = XcbTake(c, xcb_get_geometry(c, window), xcb_get_geometry_reply);
    auto state = XcbTake(c, xcb_get_window_attributes(c, window), xcb_get_window_attributes_reply);
    if (!now || !state) {
        return nullptr;  // gone meanwhile; the redirection's owner ends it
    }
    source->width = now->width;
    source->height = now->height;
    source->border = now->border_width;
    source->mapped = state->map_state != XCB_MAP_STATE_UNMAPPED;
    const xcb_damage_damage_t damage = xcb_generate_id(c);
    context.IgnoreErrorOf(
        xcb_damage_create(c, damage, window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY).sequence);
    source->damage_ = OwnedDamage(context, damage);
    source->needsName = true;
    if (source->mapped) {
        source->NamePixmap();
    }
    return source;
}

bool X11ThumbSource::NamePixmap() {
    xcb_connection_t* c = context_.Connection();
    if (!alive) {
        return false;
    }
    OwnedPixmap pixmap(context_, xcb_generate_id(c));
    if (!Succeeded(c, xcb_composite_name_window_pixmap_checked(c, window_, pixmap.Id()))) {
        pixmap.Forget();  // never made
        needsName = true;
        return false;
    }
    OwnedPicture picture(context_, xcb_generate_id(c));
    const std::uint32_t repeat = XCB_RENDER_REPEAT_PAD;
    if (!Succeeded(c, xcb_render_create_picture_checked(c, picture.Id(), pixmap.Id(), format_,
                                                        XCB_RENDER_CP_REPEAT, &repeat))) {
        picture.Forget();
        needsName = true;
        return false;
    }
    SetPictureFilter(c, picture.Id(), false);
    picture_ = std::move(picture);
    pixmap_ = std::move(pixmap);
    pictureWidth = width;
    pictureHeight = height;
    pictureBorder = border;
    transform.reset();
    needsName = false;
    return true;
}

void X11ThumbSource::WindowDestroyed() {
    alive = false;
    mapped = false;
    needsName = false;
    redirection_.Forget();
    damage_.Forget();
    picture_.Reset();
    pixmap_.Reset();
}

bool X11ThumbSource::Configured(int newWidth, int newHeight, int newBorder) {
    const bool changed = newWidth != width || newHeight != height || newBorder != border;
    width = newWidth;
    height = newHeight;
    border = newBorder;
    needsName = needsName || changed;
    resized = resized || changed;
    return changed;
}

bool X11ThumbSource::Mapped(bool isMapped) {
    mapped = isMapped;
    needsName = needsName || isMapped;
    resized = resized || isMapped;
    return isMapped;
}
