#include "platform/x11/thumbnails/X11RenderFormats.h"

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <cmath>

namespace {

// Using an extension the server lacks would shut the connection down, so every query
// first asks xcb whether the extension is there.
bool Present(xcb_connection_t* c, xcb_extension_t* extension) {
    const xcb_query_extension_reply_t* data = xcb_get_extension_data(c, extension);
    return data != nullptr && data->present;
}

bool AtLeast(std::uint32_t major, std::uint32_t minor, std::uint32_t wantMajor,
             std::uint32_t wantMinor) {
    return major > wantMajor || (major == wantMajor && minor >= wantMinor);
}

}  // namespace

xcb_render_fixed_t ToFixed(double value) {
    return static_cast<xcb_render_fixed_t>(std::lround(value * 65536.0));
}

xcb_render_fixed_t ToFixedFactor(double value) {
    return ToFixed(std::clamp(value, -32767.0, 32767.0));
}

std::uint16_t ToExtent(int value) {
    return static_cast<std::uint16_t>(std::clamp(value, 1, 32767));
}

std::int16_t ToCoordinate(int value) {
    return static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
}

void SetPictureFilter(xcb_connection_t* c, xcb_render_picture_t picture, bool nearest) {
    static const char kBilinear[] = "bilinear";
    static const char kNearest[] = "nearest";
    xcb_render_set_picture_filter(
        c, picture,
        static_cast<std::uint16_t>(nearest ? sizeof kNearest - 1 : sizeof kBilinear - 1),
        nearest ? kNearest : kBilinear, 0, nullptr);
}

X11RenderFormats::X11RenderFormats(xcb_connection_t* connection) : connection_(connection) {
    QueryVersions();
}

void X11RenderFormats::QueryVersions() {
    xcb_connection_t* c = connection_;
    if (!Present(c, &xcb_composite_id) || !Present(c, &xcb_render_id) ||
        !Present(c, &xcb_damage_id)) {
        return;
    }
    // Send all version queries first, then collect: one round trip.
    auto compositeCookie = xcb_composite_query_version(c, 0, 4);
    auto renderCookie = xcb_render_query_version(c, 0, 11);
    auto damageCookie = xcb_damage_query_version(c, 1, 1);
    auto formatsCookie = xcb_render_query_pict_formats(c);
    const bool hasXFixes = Present(c, &xcb_xfixes_id);
    xcb_xfixes_query_version_cookie_t xfixesCookie{};
    if (hasXFixes) {
        xfixesCookie = xcb_xfixes_query_version(c, 5, 0);
    }
    XcbReply<xcb_composite_query_version_reply_t> composite(
        xcb_composite_query_version_reply(c, compositeCookie, nullptr));
    XcbReply<xcb_render_query_version_reply_t> render(
        xcb_render_query_version_reply(c, renderCookie, nullptr));
    XcbReply<xcb_damage_query_version_reply_t> damage(
        xcb_damage_query_version_reply(c, damageCookie, nullptr));
    formats_.reset(xcb_render_query_pict_formats_reply(c, formatsCookie, nullptr));
    if (hasXFixes) {
        XcbReply<xcb_xfixes_query_version_reply_t> xfixes(
            xcb_xfixes_query_version_reply(c, xfixesCookie, nullptr));
        xfixes_ = xfixes && xfixes->major_version >= 1;
        xfixesFirstEvent_ = xcb_get_extension_data(c, &xcb_xfixes_id)->first_event;
    }
    available_ = composite && AtLeast(composite->major_version, composite->minor_version, 0, 2) &&
                 render && AtLeast(render->major_version, render->minor_version, 0, 6) && damage &&
                 formats_;
    damageFirstEvent_ = xcb_get_extension_data(c, &xcb_damage_id)->first_event;
}

const xcb_render_pictforminfo_t* X11RenderFormats::FindInfo(xcb_render_pictformat_t format) const {
    auto it = xcb_render_query_pict_formats_formats_iterator(formats_.get());
    for (; it.rem > 0; xcb_render_pictforminfo_next(&it)) {
        if (it.data->id == format) {
            return it.data;
        }
    }
    return nullptr;
}

xcb_render_pictformat_t X11RenderFormats::OpaqueTwin(const xcb_render_pictforminfo_t& info) const {
    auto it = xcb_render_query_pict_formats_formats_iterator(formats_.get());
    for (; it.rem > 0; xcb_render_pictforminfo_next(&it)) {
        const xcb_render_pictforminfo_t& f = *it.data;
        const xcb_render_directformat_t& d = f.direct;
        if (f.type == XCB_RENDER_PICT_TYPE_DIRECT && f.depth == info.depth && d.alpha_mask == 0 &&
            d.red_shift == info.direct.red_shift && d.red_mask == info.direct.red_mask &&
            d.green_shift == info.direct.green_shift && d.green_mask == info.direct.green_mask &&
            d.blue_shift == info.direct.blue_shift && d.blue_mask == info.direct.blue_mask) {
            return f.id;
        }
    }
    return 0;
}

xcb_render_pictformat_t X11RenderFormats::FormatFor(xcb_visualid_t visual,
                                                    std::uint8_t depth) const {
    if (!formats_) {
        return 0;
    }
    auto screens = xcb_render_query_pict_formats_screens_iterator(formats_.get());
    for (; screens.rem > 0; xcb_render_pictscreen_next(&screens)) {
        auto depths = xcb_render_pictscreen_depths_iterator(screens.data);
        for (; depths.rem > 0; xcb_render_pictdepth_next(&depths)) {
            auto visuals = xcb_render_pictdepth_visuals_iterator(depths.data);
            for (; visuals.rem > 0; xcb_render_pictvisual_next(&visuals)) {
                if (visuals.data->visual != visual) {
                    continue;
                }
                const xcb_render_pictformat_t format = visuals.data->format;
                const xcb_render_pictforminfo_t* info = FindInfo(format);
                if (depth == 24 && info != nullptr && info->direct.alpha_mask != 0) {
                    const xcb_render_pictformat_t twin = OpaqueTwin(*info);
                    return twin != 0 ? twin : format;
                }
                return format;
            }
        }
    }
    return 0;
}

xcb_render_pictformat_t X11RenderFormats::Argb32Format() const {
    if (!formats_) {
        return 0;
    }
    auto it = xcb_render_query_pict_formats_formats_iterator(formats_.get());
    for (; it.rem > 0; xcb_render_pictforminfo_next(&it)) {
        const xcb_render_pictforminfo_t& f = *it.data;
        const xcb_render_directformat_t& d = f.direct;
        if (f.type == XCB_RENDER_PICT_TYPE_DIRECT && f.depth == 32 && d.alpha_shift == 24 &&
            d.alpha_mask == 0xff && d.red_shift == 16 && d.red_mask == 0xff && d.green_shift == 8 &&
            d.green_mask == 0xff && d.blue_shift == 0 && d.blue_mask == 0xff) {
            return f.id;
        }
    }
    return 0;
}
