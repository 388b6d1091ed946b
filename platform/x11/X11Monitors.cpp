#include "platform/x11/X11Monitors.h"

X11Monitors::X11Monitors(X11Context& context) : context_(context) {}

std::vector<DisplayRect> X11Monitors::Query() {
    xcb_screen_t* s = context_.Screen();
    return {{0, 0, s->width_in_pixels, s->height_in_pixels}};
}

int X11Monitors::Count() {
    return static_cast<int>(Query().size());
}

DisplayRect X11Monitors::Rect(int index) {
    const auto all = Query();
    if (index < 0 || index >= static_cast<int>(all.size())) {
        return {};
    }
    return all[static_cast<std::size_t>(index)];
}
