// What the X server offers for drawing thumbnails: the extension versions (queried once) and
// the RENDER picture formats that belong to windows' visuals.
#pragma once

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <cstdint>

#include "platform/x11/connection/X11Context.h"

class X11RenderFormats {
  public:
    explicit X11RenderFormats(xcb_connection_t* connection);

    // Composite >= 0.2, RENDER >= 0.6 (filters and transforms) and DAMAGE are all present.
    bool Available() const { return available_; }
    // XFIXES >= 1.0, needed to watch the compositing manager's selection.
    bool HasXFixes() const { return xfixes_; }
    std::uint8_t DamageFirstEvent() const { return damageFirstEvent_; }
    std::uint8_t XFixesFirstEvent() const { return xfixesFirstEvent_; }

    // The picture format for the contents of a drawable of this visual and depth; for
    // depth 24 a format without alpha, so whatever the alpha bytes hold is ignored. Zero
    // when the server has none.
    xcb_render_pictformat_t FormatFor(xcb_visualid_t visual, std::uint8_t depth) const;

    // The standard a8r8g8b8 format (premultiplied alpha); zero when the server has none.
    xcb_render_pictformat_t Argb32Format() const;

  private:
    void QueryVersions();
    const xcb_render_pictforminfo_t* FindInfo(xcb_render_pictformat_t format) const;
    xcb_render_pictformat_t OpaqueTwin(const xcb_render_pictforminfo_t& info) const;

    xcb_connection_t* connection_;
    bool available_ = false;
    bool xfixes_ = false;
    std::uint8_t damageFirstEvent_ = 0;
    std::uint8_t xfixesFirstEvent_ = 0;
    XcbReply<xcb_render_query_pict_formats_reply_t> formats_;
};

// 16.16 fixed point as RENDER transforms take it.
xcb_render_fixed_t ToFixed(double value);
// A transform's factor in 16.16 fixed point, kept within what that holds (a source 32768
// times the destination's size would overflow it; such an image is a blur either way).
xcb_render_fixed_t ToFixedFactor(double value);
// A width or height as the protocol takes it: 1 to 32767.
std::uint16_t ToExtent(int value);
// A coordinate as the protocol takes it.
std::int16_t ToCoordinate(int value);
// Sets how the server samples picture when it transforms it: nearest (a one-to-one copy)
// or bilinear.
void SetPictureFilter(xcb_connection_t* c, xcb_render_picture_t picture, bool nearest);
