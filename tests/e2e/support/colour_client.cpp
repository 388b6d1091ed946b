// A small X client for end-to-end tests: one top-level window painted in four colour
// quadrants (top left red, top right green, bottom left blue, bottom right white), so a
// screenshot shows where and how large its image is drawn.
//
//   vantrel_colour_client [--title T] [--width W] [--height H] [--x X] [--y Y]
//                         [--wm-name-only] [--pid N]
//
// Prints "window 0x<id>" once the window is mapped. Commands on standard input, one a line:
//   title <text>     set the title      resize <w> <h>   resize the window
//   unmap / map      hide or show       quit             end
//   turn             paint each quadrant in the next one's colour (top left green, ...)
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/e2e/support/XcbUtil.h"

namespace {

struct Options {
    std::string title = "Colour Client";
    int width = 400;
    int height = 300;
    int x = 0;
    int y = 0;
    bool wmNameOnly = false;
    long pid = -1;
};

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc || (i < argc && std::strcmp(argv[i], "--wm-name-only") == 0);
         ++i) {
        const std::string a = argv[i];
        if (a == "--wm-name-only") {
            o.wmNameOnly = true;
        } else if (a == "--title") {
            o.title = argv[++i];
        } else if (a == "--width") {
            o.width = std::atoi(argv[++i]);
        } else if (a == "--height") {
            o.height = std::atoi(argv[++i]);
        } else if (a == "--x") {
            o.x = std::atoi(argv[++i]);
        } else if (a == "--y") {
            o.y = std::atoi(argv[++i]);
        } else if (a == "--pid") {
            o.pid = std::atol(argv[++i]);
        }
    }
    return o;
}

class Client {
  public:
    Client(xcb_connection_t* c, const xcb_screen_t* s, const Options& o) : c_(c), o_(o) {
        w_ = o.width;
        h_ = o.height;
        window_ = CreateClientWindow(c_, s, o.x, o.y, w_, h_);
        protocols_ = InternAtom(c_, "WM_PROTOCOLS");
        deleteWindow_ = InternAtom(c_, "WM_DELETE_WINDOW");
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, protocols_, XCB_ATOM_ATOM, 32, 1,
                            &deleteWindow_);
        if (o.pid >= 0) {
            const auto pid = static_cast<std::uint32_t>(o.pid);
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, InternAtom(c_, "_NET_WM_PID"),
                                XCB_ATOM_CARDINAL, 32, 1, &pid);
        }
        SetTitle(o.title);
        for (int i = 0; i < 4; ++i) {
            gc_[i] = xcb_generate_id(c_);
            const std::uint32_t colour[] = {kColours[i]};
            xcb_create_gc(c_, gc_[i], window_, XCB_GC_FOREGROUND, colour);
        }
        xcb_map_window(c_, window_);
        xcb_flush(c_);
    }

    void SetTitle(const std::string& title) {
        if (o_.wmNameOnly) {
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME,
                                XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(title.size()),
                                title.data());
        } else {
            SetWindowTitle(c_, window_, InternAtom(c_, "_NET_WM_NAME"),
                           InternAtom(c_, "UTF8_STRING"), title);
        }
        xcb_flush(c_);
    }

    void Paint() {
        const int hw = w_ / 2;
        const int hh = h_ / 2;
        const xcb_rectangle_t rects[4] = {
            {0, 0, static_cast<std::uint16_t>(hw), static_cast<std::uint16_t>(hh)},
            {static_cast<std::int16_t>(hw), 0, static_cast<std::uint16_t>(w_ - hw),
             static_cast<std::uint16_t>(hh)},
            {0, static_cast<std::int16_t>(hh), static_cast<std::uint16_t>(hw),
             static_cast<std::uint16_t>(h_ - hh)},
            {static_cast<std::int16_t>(hw), static_cast<std::int16_t>(hh),
             static_cast<std::uint16_t>(w_ - hw), static_cast<std::uint16_t>(h_ - hh)}};
        for (int i = 0; i < 4; ++i) {
            xcb_poly_fill_rectangle(c_, window_, gc_[(i + turns_) % 4], 1, &rects[i]);
        }
        xcb_flush(c_);
    }

    xcb_window_t Window() const { return window_; }

    // Returns false when the client should end.
    bool HandleEvent(xcb_generic_event_t* e) {
        switch (e->response_type & 0x7f) {
            case XCB_EXPOSE:
                if (reinterpret_cast<xcb_expose_event_t*>(e)->count == 0) {
                    Paint();
                }
                break;
            case XCB_CONFIGURE_NOTIFY: {
                auto* ce = reinterpret_cast<xcb_configure_notify_event_t*>(e);
                if (ce->width != w_ || ce->height != h_) {
                    w_ = ce->width;
                    h_ = ce->height;
                    Paint();
                }
                break;
            }
            case XCB_CLIENT_MESSAGE: {
                auto* cm = reinterpret_cast<xcb_client_message_event_t*>(e);
                if (cm->type == protocols_ && cm->data.data32[0] == deleteWindow_) {
                    return false;
                }
                break;
            }
            default:
                break;
        }
        return true;
    }

    // Returns false when the client should end.
    bool HandleCommand(const std::string& line) {
        if (line == "quit") {
            return false;
        }
        if (line.rfind("title ", 0) == 0) {
            SetTitle(line.substr(6));
        } else if (line.rfind("resize ", 0) == 0) {
            int w = 0;
            int h = 0;
            if (std::sscanf(line.c_str() + 7, "%d %d", &w, &h) == 2 && w > 0 && h > 0) {
                const std::uint32_t size[] = {static_cast<std::uint32_t>(w),
                                              static_cast<std::uint32_t>(h)};
                xcb_configure_window(c_, window_,
                                     XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
            }
        } else if (line == "unmap") {
            xcb_unmap_window(c_, window_);
        } else if (line == "map") {
            xcb_map_window(c_, window_);
        } else if (line == "turn") {
            turns_ = (turns_ + 1) % 4;
            Paint();
        }
        xcb_flush(c_);
        std::printf("ok %s\n", line.c_str());
        std::fflush(stdout);
        return true;
    }

  private:
    static constexpr std::uint32_t kColours[4] = {0xff0000, 0x00ff00, 0x0000ff, 0xffffff};
    xcb_connection_t* c_;
    Options o_;
    xcb_window_t window_ = 0;
    xcb_gcontext_t gc_[4] = {};
    xcb_atom_t protocols_ = 0;
    xcb_atom_t deleteWindow_ = 0;
    int w_ = 0;
    int h_ = 0;
    int turns_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const Options options = Parse(argc, argv);
    const XcbScreenConnection x = ConnectToScreen(nullptr);
    if (x.connection == nullptr) {
        std::fprintf(stderr, "colour client: cannot open the display\n");
        return 1;
    }
    Client client(x.connection, x.screen, options);
    RunClientLoop(
        x.connection, client.Window(),
        [&](xcb_generic_event_t* e) { return client.HandleEvent(e); },
        [&](const std::string& line) { return client.HandleCommand(line); });
    xcb_disconnect(x.connection);
    return 0;
}
