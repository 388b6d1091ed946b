// The benchmark's minimal zero-copy mirror, the floor a clone is measured against: the
// source redirected and its pixmap named once, and on every damage event one scaled XRender
// composite of it straight into a window of its own covering the target rectangle. Nothing
// else: no back buffer, no margins, no event loop beyond poll().
//   clone_cost_minimal <source id, hex> <x> <y> <width> <height>
// Prints "ready" once its window is up and "frames <n>" when it gets SIGTERM.
#include <poll.h>
#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/render.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "bench/mirror_target.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

struct Free {
    void operator()(void* p) const noexcept { std::free(p); }
};

// The picture format of a visual, from the server's list.
xcb_render_pictformat_t FormatOf(const xcb_render_query_pict_formats_reply_t* formats,
                                 xcb_visualid_t visual) {
    auto screens = xcb_render_query_pict_formats_screens_iterator(formats);
    for (; screens.rem > 0; xcb_render_pictscreen_next(&screens)) {
        auto depths = xcb_render_pictscreen_depths_iterator(screens.data);
        for (; depths.rem > 0; xcb_render_pictdepth_next(&depths)) {
            auto visuals = xcb_render_pictdepth_visuals_iterator(depths.data);
            for (; visuals.rem > 0; xcb_render_pictvisual_next(&visuals)) {
                if (visuals.data->visual == visual) {
                    return visuals.data->format;
                }
            }
        }
    }
    return 0;
}

xcb_render_fixed_t Fixed(double v) {
    return static_cast<xcb_render_fixed_t>(std::lround(v * 65536.0));
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<MirrorTarget> mirror = ParseMirrorTarget(argc, argv);
    if (!mirror) {
        return 2;
    }
    std::signal(SIGTERM, [](int) { g_stop = 1; });
    const xcb_window_t source = mirror->source;
    const int tw = mirror->width;
    const int th = mirror->height;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    std::free(xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr));
    std::free(xcb_render_query_version_reply(c, xcb_render_query_version(c, 0, 11), nullptr));
    std::free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
    std::unique_ptr<xcb_render_query_pict_formats_reply_t, Free> formats(
        xcb_render_query_pict_formats_reply(c, xcb_render_query_pict_formats(c), nullptr));
    std::unique_ptr<xcb_get_window_attributes_reply_t, Free> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, source), nullptr));
    std::unique_ptr<xcb_get_geometry_reply_t, Free> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, source), nullptr));
    if (!formats || !attributes || !geometry) {
        return 1;
    }
    const std::uint8_t damageEvent = xcb_get_extension_data(c, &xcb_damage_id)->first_event;

    const xcb_window_t window = CreateMirrorWindow(c, screen, *mirror);
    const xcb_render_picture_t target = xcb_generate_id(c);
    xcb_render_create_picture(c, target, window, FormatOf(formats.get(), screen->root_visual), 0,
                              nullptr);

    xcb_composite_redirect_window(c, source, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_composite_name_window_pixmap(c, source, pixmap);
    const xcb_render_picture_t picture = xcb_generate_id(c);
    xcb_render_create_picture(c, picture, pixmap, FormatOf(formats.get(), attributes->visual), 0,
                              nullptr);
    // Fitted and centred, as a clone draws it.
    const int sw = geometry->width;
    const int sh = geometry->height;
    const double scale = std::min(static_cast<double>(tw) / sw, static_cast<double>(th) / sh);
    const int dw = static_cast<int>(std::lround(sw * scale));
    const int dh = static_cast<int>(std::lround(sh * scale));
    const xcb_render_transform_t transform{Fixed(1 / scale), 0, 0, 0, Fixed(1 / scale), 0, 0, 0,
                                           Fixed(1)};
    xcb_render_set_picture_transform(c, picture, transform);
    if (scale != 1.0) {
        xcb_render_set_picture_filter(c, picture, 8, "bilinear", 0, nullptr);
    }
    const xcb_damage_damage_t damage = xcb_generate_id(c);
    xcb_damage_create(c, damage, source, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    std::printf("ready\n");
    std::fflush(stdout);

    long frames = 0;
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (g_stop == 0 && !xcb_connection_has_error(c)) {
        bool damaged = false;
        while (auto* event = xcb_poll_for_event(c)) {
            damaged = damaged || (event->response_type & 0x7f) == damageEvent + XCB_DAMAGE_NOTIFY;
            std::free(event);
        }
        if (!damaged) {
            poll(&fd, 1, 100);
            continue;
        }
        xcb_damage_subtract(c, damage, XCB_NONE, XCB_NONE);
        xcb_render_composite(c, XCB_RENDER_PICT_OP_SRC, picture, XCB_NONE, target, 0, 0, 0, 0,
                             static_cast<std::int16_t>((tw - dw) / 2),
                             static_cast<std::int16_t>((th - dh) / 2),
                             static_cast<std::uint16_t>(dw), static_cast<std::uint16_t>(dh));
        xcb_flush(c);
        ++frames;
    }
    std::printf("frames %ld\n", frames);
    std::fflush(stdout);
    xcb_disconnect(c);
    return 0;
}
