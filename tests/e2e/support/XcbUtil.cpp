#include "tests/e2e/support/XcbUtil.h"

#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

xcb_atom_t InternAtom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r != nullptr ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return atom;
}

XcbScreenConnection ConnectToScreen(const char* display) {
    int screen = 0;
    xcb_connection_t* c = xcb_connect(display, &screen);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return {};
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && it.rem > 0; ++i) {
        xcb_screen_next(&it);
    }
    return {c, it.data};
}

void SetWindowTitle(xcb_connection_t* c, xcb_window_t window, xcb_atom_t netWmName,
                    xcb_atom_t utf8String, const std::string& title) {
    const auto n = static_cast<std::uint32_t>(title.size());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, netWmName, utf8String, 8, n,
                        title.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, n,
                        title.data());
}

xcb_window_t CreateClientWindow(xcb_connection_t* c, const xcb_screen_t* screen, int x, int y,
                                int width, int height) {
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->black_pixel,
                                    XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    return window;
}

void AnnounceWindow(xcb_window_t window) {
    std::printf("window 0x%x\n", window);
    std::fflush(stdout);
}

void SyncConnection(xcb_connection_t* c) {
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

void RunClientLoop(xcb_connection_t* c, xcb_window_t window,
                   const std::function<bool(xcb_generic_event_t*)>& onEvent,
                   const std::function<bool(const std::string&)>& onLine) {
    std::string pending;
    bool running = true;
    bool stdinOpen = true;
    bool announced = false;
    while (running) {
        pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {0, POLLIN, 0}};
        poll(fds, stdinOpen ? 2 : 1, -1);
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            if (!announced && (e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                AnnounceWindow(window);
                announced = true;
            }
            running = onEvent(e) && running;
            std::free(e);
        }
        if (xcb_connection_has_error(c)) {
            break;
        }
        if (stdinOpen && (fds[1].revents & (POLLIN | POLLHUP)) != 0) {
            char buffer[4096];
            const ssize_t n = read(0, buffer, sizeof buffer);
            if (n <= 0) {
                stdinOpen = false;  // keep running until closed or killed
                continue;
            }
            pending.append(buffer, static_cast<std::size_t>(n));
            std::size_t nl;
            while (running && (nl = pending.find('\n')) != std::string::npos) {
                running = onLine(pending.substr(0, nl));
                pending.erase(0, nl + 1);
            }
        }
    }
}
