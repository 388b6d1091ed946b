#include "platform/x11/X11Monitors.h"

#include <xcb/randr.h>
#include <xcb/xinerama.h>

#include <algorithm>

namespace {

bool ExtensionPresent(xcb_connection_t* c, xcb_extension_t* extension) {
    const xcb_query_extension_reply_t* data = xcb_get_extension_data(c, extension);
    return data != nullptr && data->present;
}

}  // namespace

std::vector<DisplayRect> NumberMonitors(std::vector<MonitorArea> monitors) {
    std::erase_if(monitors,
                  [](const MonitorArea& m) { return m.rect.width <= 0 || m.rect.height <= 0; });
    std::stable_sort(monitors.begin(), monitors.end(),
                     [](const MonitorArea& a, const MonitorArea& b) {
                         if (a.primary != b.primary) {
                             return a.primary;
                         }
                         if (a.rect.left != b.rect.left) {
                             return a.rect.left < b.rect.left;
                         }
                         return a.rect.top < b.rect.top;
                     });
    std::vector<DisplayRect> out;
    for (const MonitorArea& m : monitors) {
        if (std::find(out.begin(), out.end(), m.rect) == out.end()) {
            out.push_back(m.rect);
        }
    }
    return out;
}

X11Monitors::X11Monitors(X11Context& context) : context_(context) {
    xcb_connection_t* c = context_.Connection();
    if (ExtensionPresent(c, &xcb_randr_id)) {
        auto version = XcbTake(c, xcb_randr_query_version(c, 1, 5), xcb_randr_query_version_reply);
        haveRandrMonitors_ =
            version && (version->major_version > 1 ||
                        (version->major_version == 1 && version->minor_version >= 5));
    }
    haveXinerama_ = ExtensionPresent(c, &xcb_xinerama_id);
}

std::vector<MonitorArea> X11Monitors::RandrMonitors() {
    xcb_connection_t* c = context_.Connection();
    auto reply =
        XcbTake(c, xcb_randr_get_monitors(c, context_.Root(), 1), xcb_randr_get_monitors_reply);
    std::vector<MonitorArea> out;
    if (!reply) {
        return out;
    }
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t* m = it.data;
        out.push_back({{m->x, m->y, m->width, m->height}, m->primary != 0});
    }
    return out;
}

std::vector<MonitorArea> X11Monitors::XineramaScreens() {
    xcb_connection_t* c = context_.Connection();
    auto active = XcbTake(c, xcb_xinerama_is_active(c), xcb_xinerama_is_active_reply);
    if (!active || active->state == 0) {
        return {};
    }
    auto reply = XcbTake(c, xcb_xinerama_query_screens(c), xcb_xinerama_query_screens_reply);
    std::vector<MonitorArea> out;
    if (!reply) {
        return out;
    }
    for (auto it = xcb_xinerama_query_screens_screen_info_iterator(reply.get()); it.rem > 0;
         xcb_xinerama_screen_info_next(&it)) {
        const xcb_xinerama_screen_info_t* s = it.data;
        out.push_back({{s->x_org, s->y_org, s->width, s->height}, false});
    }
    return out;
}

// The root's current size (the connection setup keeps the size at connection time).
std::vector<MonitorArea> X11Monitors::WholeScreen() {
    xcb_connection_t* c = context_.Connection();
    auto geometry = XcbTake(c, xcb_get_geometry(c, context_.Root()), xcb_get_geometry_reply);
    if (geometry) {
        return {{{0, 0, geometry->width, geometry->height}, true}};
    }
    const xcb_screen_t* s = context_.Screen();
    return {{{0, 0, s->width_in_pixels, s->height_in_pixels}, true}};
}

std::vector<DisplayRect> X11Monitors::Query() {
    std::vector<DisplayRect> monitors;
    if (haveRandrMonitors_) {
        monitors = NumberMonitors(RandrMonitors());
    }
    if (monitors.empty() && haveXinerama_) {
        monitors = NumberMonitors(XineramaScreens());
    }
    if (monitors.empty()) {
        monitors = NumberMonitors(WholeScreen());
    }
    return monitors;
}

int X11Monitors::Count() {
    return static_cast<int>(Query().size());
}

DisplayRect X11Monitors::Rect(int index) {
    if (index < 0) {
        return {};
    }
    const auto all = Query();
    if (index >= static_cast<int>(all.size())) {
        return {};
    }
    return all[static_cast<std::size_t>(index)];
}
