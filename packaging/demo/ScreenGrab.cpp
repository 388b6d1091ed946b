#include "packaging/demo/ScreenGrab.h"

#include <QSysInfo>
#include <QtEndian>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct Free {
    void operator()(void* p) const noexcept { std::free(p); }
};

struct Disconnect {
    void operator()(xcb_connection_t* c) const noexcept { xcb_disconnect(c); }
};

const xcb_visualtype_t* FindVisual(const xcb_screen_t* screen, xcb_visualid_t id) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem != 0;
         xcb_depth_next(&depths)) {
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem != 0;
             xcb_visualtype_next(&visuals)) {
            if (visuals.data->visual_id == id) {
                return visuals.data;
            }
        }
    }
    return nullptr;
}

std::uint8_t BitsPerPixel(const xcb_setup_t* setup, std::uint8_t depth) {
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem != 0;
         xcb_format_next(&formats)) {
        if (formats.data->depth == depth) {
            return formats.data->bits_per_pixel;
        }
    }
    return 0;
}

std::optional<QImage> Fail(std::string* error, std::string reason) {
    if (error != nullptr) {
        *error = std::move(reason);
    }
    return std::nullopt;
}

}  // namespace

std::optional<QImage> GrabScreen(const std::string& display, std::string* error) {
    int screenNumber = 0;
    std::unique_ptr<xcb_connection_t, Disconnect> c(
        xcb_connect(display.empty() ? nullptr : display.c_str(), &screenNumber));
    if (xcb_connection_has_error(c.get()) != 0) {
        return Fail(error, "cannot open display \"" + display + "\"");
    }
    const xcb_setup_t* setup = xcb_get_setup(c.get());
    auto screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && screens.rem != 0; ++i) {
        xcb_screen_next(&screens);
    }
    const xcb_screen_t* screen = screens.data;
    const xcb_visualtype_t* visual = FindVisual(screen, screen->root_visual);
    if (visual == nullptr || screen->root_depth != 24 ||
        BitsPerPixel(setup, screen->root_depth) != 32 ||
        visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR || visual->red_mask != 0xff0000 ||
        visual->green_mask != 0xff00 || visual->blue_mask != 0xff) {
        return Fail(error, "the screen is not 24-bit TrueColor in 32-bit pixels");
    }
    const int width = screen->width_in_pixels;
    const int height = screen->height_in_pixels;
    xcb_generic_error_t* requestError = nullptr;
    std::unique_ptr<xcb_get_image_reply_t, Free> reply(
        xcb_get_image_reply(c.get(),
                            xcb_get_image(c.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0,
                                          static_cast<std::uint16_t>(width),
                                          static_cast<std::uint16_t>(height), 0xffffffffU),
                            &requestError));
    std::free(requestError);
    const auto bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4U;
    if (!reply || static_cast<std::size_t>(xcb_get_image_data_length(reply.get())) < bytes) {
        return Fail(error, "the server sent no picture of the screen");
    }
    // Rows of 32-bit pixels are already 4-byte aligned, so the data is one block.
    QImage image(width, height, QImage::Format_RGB32);
    const std::uint8_t* data = xcb_get_image_data(reply.get());
    const bool swap = (setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST) !=
                      (QSysInfo::ByteOrder == QSysInfo::BigEndian);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        std::memcpy(line, data + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4U,
                    static_cast<std::size_t>(width) * 4U);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = swap ? qbswap(line[x]) : line[x];
            line[x] = 0xff000000U | pixel;
        }
    }
    return image;
}
