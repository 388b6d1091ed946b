#include "platform/x11/X11ThumbSource.h"

#include <xcb/composite.h>

namespace {

// Sends a request whose failure does not matter: its error is dropped by sequence.
void Quietly(X11Context& context, xcb_void_cookie_t cookie) {
    context.IgnoreErrorOf(cookie.sequence);
}

bool Succeeded(xcb_connection_t* c, xcb_void_cookie_t cookie) {
    XcbReply<xcb_generic_error_t> error(xcb_request_check(c, cookie));
    return !error;
}

// Adds StructureNotify to our mask on the source, keeping the bits already chosen; checked,
// since the window may vanish between the query and the change.
bool WatchStructure(xcb_connection_t* c, xcb_window_t window, std::uint32_t currentMask) {
    const std::uint32_t mask = currentMask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    if (mask == currentMask) {
        return true;
    }
    return Succeeded(c, xcb_change_window_attributes_checked(c, window, XCB_CW_EVENT_MASK, &mask));
}

void SetPictureAttributes(xcb_connection_t* c, xcb_render_picture_t picture) {
    static const char kBilinear[] = "bilinear";
    xcb_render_set_picture_filter(c, picture, sizeof kBilinear - 1, kBilinear, 0, nullptr);
}

}  // namespace

bool IsOwnWindow(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

HResult OpenThumbSource(X11Context& context, const X11ThumbRender& render, xcb_window_t window,
                        X11ThumbSource& source) {
    xcb_connection_t* c = context.Connection();
    if (window == XCB_NONE || window == context.Root() || IsOwnWindow(c, window)) {
        return kResultInvalidArg;
    }
    auto attrsCookie = xcb_get_window_attributes(c, window);
    auto geometryCookie = xcb_get_geometry(c, window);
    XcbReply<xcb_get_window_attributes_reply_t> attrs(
        xcb_get_window_attributes_reply(c, attrsCookie, nullptr));
    XcbReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookie, nullptr));
    if (!attrs || !geometry || attrs->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT) {
        return kResultInvalidHandle;
    }
    source.window = window;
    source.visual = attrs->visual;
    source.depth = geometry->depth;
    source.format = render.FormatFor(attrs->visual, geometry->depth);
    if (source.format == 0 || !WatchStructure(c, window, attrs->your_event_mask)) {
        return kResultFail;
    }
    if (!Succeeded(c, xcb_composite_redirect_window_checked(c, window,
                                                            XCB_COMPOSITE_REDIRECT_AUTOMATIC))) {
        return kResultFail;
    }
    // The size and map state after the redirection; later changes come as events.
    XcbReply<xcb_get_geometry_reply_t> now(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    XcbReply<xcb_get_window_attributes_reply_t> state(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    if (!now || !state) {
        Quietly(context,
                xcb_composite_unredirect_window(c, window, XCB_COMPOSITE_REDIRECT_AUTOMATIC));
        return kResultInvalidHandle;
    }
    source.width = now->width;
    source.height = now->height;
    source.border = now->border_width;
    source.mapped = state->map_state != XCB_MAP_STATE_UNMAPPED;
    source.damage = xcb_generate_id(c);
    Quietly(context,
            xcb_damage_create(c, source.damage, window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY));
    source.needsName = true;
    if (source.mapped) {
        NameThumbSourcePixmap(context, source);
    }
    return kResultOk;
}

bool NameThumbSourcePixmap(X11Context& context, X11ThumbSource& source) {
    xcb_connection_t* c = context.Connection();
    if (!source.alive) {
        return false;
    }
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    if (!Succeeded(c, xcb_composite_name_window_pixmap_checked(c, source.window, pixmap))) {
        source.needsName = true;
        return false;
    }
    const xcb_render_picture_t picture = xcb_generate_id(c);
    const std::uint32_t repeat = XCB_RENDER_REPEAT_PAD;
    if (!Succeeded(c, xcb_render_create_picture_checked(c, picture, pixmap, source.format,
                                                        XCB_RENDER_CP_REPEAT, &repeat))) {
        xcb_free_pixmap(c, pixmap);
        source.needsName = true;
        return false;
    }
    SetPictureAttributes(c, picture);
    if (source.picture != 0) {
        xcb_render_free_picture(c, source.picture);
    }
    if (source.pixmap != 0) {
        xcb_free_pixmap(c, source.pixmap);
    }
    source.pixmap = pixmap;
    source.picture = picture;
    source.pictureWidth = source.width;
    source.pictureHeight = source.height;
    source.pictureBorder = source.border;
    source.needsName = false;
    return true;
}

void ReleaseThumbSource(X11Context& context, X11ThumbSource& source, bool unredirect) {
    xcb_connection_t* c = context.Connection();
    if (source.picture != 0) {
        Quietly(context, xcb_render_free_picture(c, source.picture));
    }
    if (source.pixmap != 0) {
        Quietly(context, xcb_free_pixmap(c, source.pixmap));
    }
    if (source.damage != 0) {
        // The server destroys the damage object with its window: BadDamage is expected then.
        Quietly(context, xcb_damage_destroy(c, source.damage));
    }
    if (unredirect && source.alive) {
        Quietly(context, xcb_composite_unredirect_window(c, source.window,
                                                         XCB_COMPOSITE_REDIRECT_AUTOMATIC));
    }
    source.picture = 0;
    source.pixmap = 0;
    source.damage = 0;
    source.needsName = false;
}
