// The benchmark's animated source: a 1280x720 window at 0,0 filled with a new colour 60
// times a second. Prints "window 0x<id>" once mapped; ends when killed.
#include <time.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void AddNanoseconds(timespec& t, long ns) {
    t.tv_nsec += ns;
    while (t.tv_nsec >= 1000000000L) {
        t.tv_nsec -= 1000000000L;
        t.tv_sec += 1;
    }
}

}  // namespace

int main() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->black_pixel, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1280, 720, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    static const char kTitle[] = "Animated Source";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof kTitle - 1, kTitle);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    xcb_map_window(c, window);
    // A round trip, so the window is mapped before its id is announced.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    std::printf("window 0x%x\n", window);
    std::fflush(stdout);
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    const xcb_rectangle_t all{0, 0, 1280, 720};
    for (std::uint32_t frame = 0; !xcb_connection_has_error(c); ++frame) {
        const std::uint32_t colour = (frame * 0x050301u) & 0xffffffu;
        xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &colour);
        xcb_poly_fill_rectangle(c, window, gc, 1, &all);
        xcb_flush(c);
        AddNanoseconds(next, 16666667L);
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    return 0;
}
