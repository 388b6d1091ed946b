// The benchmark's pixel-copying mirror, for comparison with the compositor: on every change
// of the source it reads the source's pixels (GetImage), scales them itself and puts them
// into a window of its own covering the target rectangle.
//   clone_cost_copier <source id, hex> <x> <y> <width> <height>
// Prints "ready" once its window is up and "frames <n>" when it gets SIGTERM.
#include <poll.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <QImage>

#include <algorithm>
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

void PutStrips(xcb_connection_t* c, xcb_window_t window, xcb_gcontext_t gc, const QImage& image,
               int x, int y, std::uint8_t depth) {
    const std::uint32_t maxBytes = xcb_get_maximum_request_length(c) * 4 - 64;
    const int rowsPerStrip =
        std::max(1, static_cast<int>(maxBytes / static_cast<std::uint32_t>(image.bytesPerLine())));
    for (int row = 0; row < image.height(); row += rowsPerStrip) {
        const int rows = std::min(rowsPerStrip, image.height() - row);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc,
                      static_cast<std::uint16_t>(image.width()), static_cast<std::uint16_t>(rows),
                      static_cast<std::int16_t>(x), static_cast<std::int16_t>(y + row), 0, depth,
                      static_cast<std::uint32_t>(rows * image.bytesPerLine()),
                      image.constScanLine(row));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<MirrorTarget> target = ParseMirrorTarget(argc, argv);
    if (!target) {
        return 2;
    }
    std::signal(SIGTERM, [](int) { g_stop = 1; });
    const xcb_window_t source = target->source;
    const int tw = target->width;
    const int th = target->height;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
    const std::uint8_t damageEvent = xcb_get_extension_data(c, &xcb_damage_id)->first_event;

    const xcb_window_t window = CreateMirrorWindow(c, screen, *target);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    xcb_map_window(c, window);
    const xcb_damage_damage_t damage = xcb_generate_id(c);
    xcb_damage_create(c, damage, source, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    std::unique_ptr<xcb_get_geometry_reply_t, Free> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, source), nullptr));
    if (!geometry) {
        return 1;
    }
    const int sw = geometry->width;
    const int sh = geometry->height;
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
        std::unique_ptr<xcb_get_image_reply_t, Free> image(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, source, 0, 0,
                          static_cast<std::uint16_t>(sw), static_cast<std::uint16_t>(sh), ~0u),
            nullptr));
        if (!image) {
            break;
        }
        const QImage pixels(xcb_get_image_data(image.get()), sw, sh, QImage::Format_RGB32);
        const QImage scaled = (sw == tw && sh == th) ? pixels
                                                     : pixels.scaled(tw, th, Qt::KeepAspectRatio,
                                                                     Qt::SmoothTransformation);
        PutStrips(c, window, gc, scaled, (tw - scaled.width()) / 2, (th - scaled.height()) / 2,
                  screen->root_depth);
        xcb_flush(c);
        ++frames;
    }
    std::printf("frames %ld\n", frames);
    std::fflush(stdout);
    xcb_disconnect(c);
    return 0;
}
