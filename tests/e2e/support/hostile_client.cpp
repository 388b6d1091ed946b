// An X client that misbehaves on purpose, for the robustness tests: one top-level window in a
// solid colour whose title can be any bytes, renamed or resized as fast as the server takes
// it, and a fake EWMH window manager whose client list holds whatever ids it is told.
//
//   vantrel_hostile_client [--title T] [--width W] [--height H] [--x X] [--y Y]
//                          [--colour RRGGBB]
//
// Prints "window 0x<id>" once the window is mapped. Commands on standard input, one a line,
// each answered by "ok <command>" once the server has handled it:
//   name <hex>            _NET_WM_NAME (UTF8_STRING) := the bytes
//   wmname <hex>          WM_NAME (STRING) := the bytes, and no _NET_WM_NAME
//   storm <ms> <title>    rename for ms milliseconds without pause, then set the title;
//                         answered by "stormed <count of renames>"
//   resizes <n>           n resizes in a burst, ending at the first size
//   fill <RRGGBB>         paint the window in a colour
//   fakewm <id>...        claim to be an EWMH window manager listing these ids (hex, or
//                         "self" for this window)
//   quit
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/support/XcbUtil.h"

namespace {

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

class Hostile {
  public:
    Hostile(xcb_connection_t* c, xcb_screen_t* s, int argc, char** argv) : c_(c), s_(s) {
        std::string title = "Hostile Client";
        int x = 0;
        int y = 0;
        for (int i = 1; i + 1 < argc; i += 2) {
            const std::string a = argv[i];
            const char* v = argv[i + 1];
            if (a == "--title") {
                title = v;
            } else if (a == "--width") {
                w_ = std::atoi(v);
            } else if (a == "--height") {
                h_ = std::atoi(v);
            } else if (a == "--x") {
                x = std::atoi(v);
            } else if (a == "--y") {
                y = std::atoi(v);
            } else if (a == "--colour") {
                colour_ = static_cast<std::uint32_t>(std::strtoul(v, nullptr, 16));
            }
        }
        netName_ = InternAtom(c_, "_NET_WM_NAME");
        utf8_ = InternAtom(c_, "UTF8_STRING");
        window_ = CreateClientWindow(c_, s_, x, y, w_, h_);
        gc_ = xcb_generate_id(c_);
        xcb_create_gc(c_, gc_, window_, XCB_GC_FOREGROUND, &colour_);
        SetName(title);
        xcb_map_window(c_, window_);
        xcb_flush(c_);
    }

    xcb_window_t Window() const { return window_; }

    void HandleEvent(xcb_generic_event_t* e) {
        if ((e->response_type & 0x7f) == XCB_EXPOSE) {
            Paint();
        }
    }

    // Returns false when the client should end.
    bool HandleCommand(const std::string& line) {
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word == "quit") {
            return false;
        }
        std::string answer = "ok " + word;
        if (word == "name") {
            std::string hex;
            in >> hex;
            SetName(FromHex(hex));
        } else if (word == "wmname") {
            std::string hex;
            in >> hex;
            xcb_delete_property(c_, window_, netName_);
            const std::string bytes = FromHex(hex);
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME,
                                XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(bytes.size()),
                                bytes.data());
        } else if (word == "storm") {
            int ms = 0;
            std::string title;
            in >> ms;
            std::getline(in >> std::ws, title);
            answer = "stormed " + std::to_string(Storm(ms, title));
        } else if (word == "resizes") {
            int n = 0;
            in >> n;
            Resizes(n);
        } else if (word == "fill") {
            std::string hex;
            in >> hex;
            colour_ = static_cast<std::uint32_t>(std::strtoul(hex.c_str(), nullptr, 16));
            xcb_change_gc(c_, gc_, XCB_GC_FOREGROUND, &colour_);
            Paint();
        } else if (word == "fakewm") {
            std::vector<xcb_window_t> ids;
            std::string id;
            while (in >> id) {
                ids.push_back(id == "self" ? window_
                                           : static_cast<xcb_window_t>(
                                                 std::strtoul(id.c_str(), nullptr, 16)));
            }
            FakeWindowManager(ids);
        }
        SyncConnection(c_);
        std::printf("%s\n", answer.c_str());
        std::fflush(stdout);
        return true;
    }

  private:
    void SetName(const std::string& bytes) { SetWindowTitle(c_, window_, netName_, utf8_, bytes); }

    void Paint() {
        const xcb_rectangle_t all{0, 0, static_cast<std::uint16_t>(w_),
                                  static_cast<std::uint16_t>(h_)};
        xcb_poly_fill_rectangle(c_, window_, gc_, 1, &all);
        xcb_flush(c_);
    }

    // Renames as fast as the server takes it: a round trip every few hundred renames keeps
    // the output buffer from growing without bound, nothing else slows it down.
    long Storm(int ms, const std::string& title) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        long count = 0;
        while (std::chrono::steady_clock::now() < end) {
            for (int i = 0; i < 256; ++i, ++count) {
                const std::string name = title + " " + std::to_string(count);
                xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, netName_, utf8_, 8,
                                    static_cast<std::uint32_t>(name.size()), name.data());
            }
            SyncConnection(c_);
        }
        SetName(title);
        return count;
    }

    void Resizes(int n) {
        for (int i = 0; i < n; ++i) {
            const std::uint32_t size[] = {static_cast<std::uint32_t>(w_ + 1 + i % 97),
                                          static_cast<std::uint32_t>(h_ + 1 + i % 89)};
            xcb_configure_window(c_, window_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                                 size);
        }
        const std::uint32_t size[] = {static_cast<std::uint32_t>(w_),
                                      static_cast<std::uint32_t>(h_)};
        xcb_configure_window(c_, window_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
        Paint();
    }

    // The check window names itself, as a live EWMH window manager's does.
    void FakeWindowManager(const std::vector<xcb_window_t>& clients) {
        const xcb_atom_t check = InternAtom(c_, "_NET_SUPPORTING_WM_CHECK");
        const xcb_window_t checkWindow = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, checkWindow, s_->root, -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, checkWindow, check, XCB_ATOM_WINDOW, 32, 1,
                            &checkWindow);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, s_->root, check, XCB_ATOM_WINDOW, 32, 1,
                            &checkWindow);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, s_->root, InternAtom(c_, "_NET_CLIENT_LIST"),
                            XCB_ATOM_WINDOW, 32, static_cast<std::uint32_t>(clients.size()),
                            clients.data());
    }

    xcb_connection_t* c_;
    xcb_screen_t* s_;
    xcb_window_t window_ = 0;
    xcb_gcontext_t gc_ = 0;
    xcb_atom_t netName_ = 0;
    xcb_atom_t utf8_ = 0;
    std::uint32_t colour_ = 0x808080;
    int w_ = 300;
    int h_ = 200;
};

}  // namespace

int main(int argc, char** argv) {
    const XcbScreenConnection x = ConnectToScreen(nullptr);
    if (x.connection == nullptr) {
        std::fprintf(stderr, "hostile client: cannot open the display\n");
        return 1;
    }
    Hostile client(x.connection, x.screen, argc, argv);
    RunClientLoop(
        x.connection, client.Window(),
        [&](xcb_generic_event_t* e) {
            client.HandleEvent(e);
            return true;
        },
        [&](const std::string& line) { return client.HandleCommand(line); });
    xcb_disconnect(x.connection);
    return 0;
}
