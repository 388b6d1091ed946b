// A pointer device for a compositor without input devices (sway headless), through
// zwlr_virtual_pointer_manager_v1. It is made at start, so clients see the seat's pointer
// before they need it, prints "ready", then clicks on command:
//   vantrel_virtual_pointer WIDTH HEIGHT     (the extent of the compositor's layout)
//   stdin: "click X Y"  ->  stdout: "clicked"
#include <linux/input-event-codes.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <wayland-client.h>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

struct Globals {
    zwlr_virtual_pointer_manager_v1* manager = nullptr;
};

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        static_cast<Globals*>(data)->manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    }
}
void GlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry{Global, GlobalRemove};

void Click(wl_display* display, zwlr_virtual_pointer_v1* pointer, uint32_t x, uint32_t y,
           uint32_t width, uint32_t height, uint32_t& time) {
    zwlr_virtual_pointer_v1_motion_absolute(pointer, ++time, x, y, width, height);
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_roundtrip(display);
    zwlr_virtual_pointer_v1_button(pointer, ++time, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_roundtrip(display);
    zwlr_virtual_pointer_v1_button(pointer, ++time, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
    zwlr_virtual_pointer_v1_frame(pointer);
    wl_display_roundtrip(display);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vantrel_virtual_pointer WIDTH HEIGHT\n");
        return 2;
    }
    const auto width = static_cast<uint32_t>(std::atoi(argv[1]));
    const auto height = static_cast<uint32_t>(std::atoi(argv[2]));
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "vantrel_virtual_pointer: no Wayland display\n");
        return 1;
    }
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, &globals);
    wl_display_roundtrip(display);
    if (globals.manager == nullptr) {
        std::fprintf(stderr, "vantrel_virtual_pointer: no virtual pointer support\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.manager, nullptr);
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);
    uint32_t time = 0;
    char line[128];
    while (std::fgets(line, sizeof(line), stdin) != nullptr) {
        unsigned x = 0;
        unsigned y = 0;
        if (std::sscanf(line, "click %u %u", &x, &y) == 2) {
            Click(display, pointer, x, y, width, height, time);
            std::printf("clicked\n");
            std::fflush(stdout);
        }
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(globals.manager);
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
