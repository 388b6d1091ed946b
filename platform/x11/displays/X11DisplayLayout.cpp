#include "platform/x11/displays/X11DisplayLayout.h"

#include <xcb/randr.h>
#include <xcb/xinerama.h>

#include <algorithm>

namespace {

const xcb_query_extension_reply_t* Extension(xcb_connection_t* c, xcb_extension_t* extension) {
    const xcb_query_extension_reply_t* data = xcb_get_extension_data(c, extension);
    return data != nullptr && data->present ? data : nullptr;
}

// The names of the monitors' name atoms, all asked in one round trip.
std::vector<QString> AtomNames(xcb_connection_t* c, const std::vector<xcb_atom_t>& atoms) {
    std::vector<QString> names;
    for (const auto& reply : XcbTakeAll(c, atoms, xcb_get_atom_name, xcb_get_atom_name_reply)) {
        names.push_back(reply ? QString::fromUtf8(xcb_get_atom_name_name(reply.get()),
                                                  xcb_get_atom_name_name_length(reply.get()))
                              : QString());
    }
    return names;
}

}  // namespace

std::vector<DisplayInfo> NumberDisplays(std::vector<DisplayArea> displays) {
    std::erase_if(displays, [](const DisplayArea& m) { return m.rect.isEmpty(); });
    std::stable_sort(displays.begin(), displays.end(),
                     [](const DisplayArea& a, const DisplayArea& b) {
                         if (a.primary != b.primary) {
                             return a.primary;
                         }
                         if (a.rect.left() != b.rect.left()) {
                             return a.rect.left() < b.rect.left();
                         }
                         return a.rect.top() < b.rect.top();
                     });
    std::vector<DisplayInfo> out;
    for (const DisplayArea& m : displays) {
        if (std::none_of(out.begin(), out.end(),
                         [&](const DisplayInfo& d) { return d.rect == m.rect; })) {
            out.push_back({m.rect, m.name});
        }
    }
    return out;
}

X11DisplayLayout::X11DisplayLayout(X11Context& context) : context_(context) {
    xcb_connection_t* c = context_.Connection();
    if (const auto* randr = Extension(c, &xcb_randr_id)) {
        auto version = XcbTake(c, xcb_randr_query_version(c, 1, 5), xcb_randr_query_version_reply);
        haveRandr_ = version != nullptr;
        haveRandrMonitors_ =
            version && (version->major_version > 1 ||
                        (version->major_version == 1 && version->minor_version >= 5));
        randrFirstEvent_ = randr->first_event;
    }
    haveXinerama_ = Extension(c, &xcb_xinerama_id) != nullptr;
}

bool X11DisplayLayout::Watch() {
    if (!haveRandr_) {
        return false;
    }
    // Adding or removing a RandR 1.5 monitor (xrandr --setmonitor) sends no RandR event,
    // only a ConfigureNotify of the root.
    context_.AddEventMask(context_.Root(), XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    xcb_connection_t* c = context_.Connection();
    XcbReply<xcb_generic_error_t> error(xcb_request_check(
        c, xcb_randr_select_input_checked(c, context_.Root(),
                                          XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE |
                                              XCB_RANDR_NOTIFY_MASK_CRTC_CHANGE |
                                              XCB_RANDR_NOTIFY_MASK_OUTPUT_CHANGE)));
    return !error;
}

bool X11DisplayLayout::IsChangeEvent(const xcb_generic_event_t* event) const {
    if (!haveRandr_) {
        return false;
    }
    const int type = event->response_type & 0x7f;
    // The root's own ConfigureNotify announces a monitor added or removed. Qt drops it,
    // though, when another ConfigureNotify reported to the root follows it in the queue, as
    // when the window manager moves windows off a monitor that has gone. Any of them is
    // therefore taken as a hint; the layout is read again and compared, so a hint (or a
    // forged event) that changes nothing announces nothing.
    if (type == XCB_CONFIGURE_NOTIFY) {
        const auto* e = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        return e->event == context_.Root();
    }
    return type == randrFirstEvent_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
           type == randrFirstEvent_ + XCB_RANDR_NOTIFY;
}

std::vector<DisplayArea> X11DisplayLayout::RandrMonitors() {
    xcb_connection_t* c = context_.Connection();
    auto reply =
        XcbTake(c, xcb_randr_get_monitors(c, context_.Root(), 1), xcb_randr_get_monitors_reply);
    std::vector<DisplayArea> out;
    if (!reply) {
        return out;
    }
    std::vector<xcb_atom_t> nameAtoms;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t* m = it.data;
        out.push_back({QRect(m->x, m->y, m->width, m->height), QString(), m->primary != 0});
        nameAtoms.push_back(m->name);
    }
    const std::vector<QString> names = AtomNames(c, nameAtoms);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i].name = names[i];
    }
    return out;
}

std::vector<DisplayArea> X11DisplayLayout::XineramaScreens() {
    xcb_connection_t* c = context_.Connection();
    auto active = XcbTake(c, xcb_xinerama_is_active(c), xcb_xinerama_is_active_reply);
    if (!active || active->state == 0) {
        return {};
    }
    auto reply = XcbTake(c, xcb_xinerama_query_screens(c), xcb_xinerama_query_screens_reply);
    std::vector<DisplayArea> out;
    if (!reply) {
        return out;
    }
    int index = 0;
    for (auto it = xcb_xinerama_query_screens_screen_info_iterator(reply.get()); it.rem > 0;
         xcb_xinerama_screen_info_next(&it)) {
        const xcb_xinerama_screen_info_t* s = it.data;
        out.push_back({QRect(s->x_org, s->y_org, s->width, s->height),
                       QStringLiteral("screen-%1").arg(index++), false});
    }
    return out;
}

// The root's current size (the connection setup keeps the size at connection time).
std::vector<DisplayArea> X11DisplayLayout::WholeScreen() {
    xcb_connection_t* c = context_.Connection();
    const QString name = QStringLiteral("screen");
    auto geometry = XcbTake(c, xcb_get_geometry(c, context_.Root()), xcb_get_geometry_reply);
    if (geometry) {
        return {{QRect(0, 0, geometry->width, geometry->height), name, true}};
    }
    const xcb_screen_t* s = context_.Screen();
    return {{QRect(0, 0, s->width_in_pixels, s->height_in_pixels), name, true}};
}

std::vector<DisplayInfo> X11DisplayLayout::Query() {
    std::vector<DisplayInfo> displays;
    if (haveRandrMonitors_) {
        displays = NumberDisplays(RandrMonitors());
    }
    if (displays.empty() && haveXinerama_) {
        displays = NumberDisplays(XineramaScreens());
    }
    if (displays.empty()) {
        displays = NumberDisplays(WholeScreen());
    }
    return displays;
}
