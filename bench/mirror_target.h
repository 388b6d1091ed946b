// What the benchmark's two stand-alone mirrors share: their command line (the source window
// and the target rectangle) and the borderless black window they draw into.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

struct MirrorTarget {
    xcb_window_t source = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// "<source id, hex> <x> <y> <width> <height>"; prints the usage and gives nothing otherwise.
inline std::optional<MirrorTarget> ParseMirrorTarget(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s <source> <x> <y> <width> <height>\n", argv[0]);
        return std::nullopt;
    }
    return MirrorTarget{static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 16)),
                        std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                        std::atoi(argv[5])};
}

// A black override-redirect window of the root visual covering the target, mapped.
inline xcb_window_t CreateMirrorWindow(xcb_connection_t* c, const xcb_screen_t* screen,
                                       const MirrorTarget& target) {
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->black_pixel, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root,
                      static_cast<std::int16_t>(target.x), static_cast<std::int16_t>(target.y),
                      static_cast<std::uint16_t>(target.width),
                      static_cast<std::uint16_t>(target.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window);
    return window;
}
