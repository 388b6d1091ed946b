#include "platform/x11/connection/X11ConnectionWatch.h"

#include <xcb/randr.h>

#include <QByteArray>

#include <utility>

#include "platform/x11/connection/X11Reply.h"

X11ConnectionWatch::X11ConnectionWatch(xcb_connection_t* connection, std::function<void()> onLost,
                                       QObject* parent)
    : QObject(parent), connection_(connection), onLost_(std::move(onLost)) {
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (randr == nullptr || randr->present == 0) {
        return;
    }
    randrFirstEvent_ = randr->first_event;
    const auto version = XcbTake(connection, xcb_randr_query_version(connection, 1, 5),
                                 xcb_randr_query_version_reply);
    haveMonitors_ = version && (version->major_version > 1 ||
                                (version->major_version == 1 && version->minor_version >= 5));
    if (haveMonitors_) {
        monitors_ = ReadMonitors().value_or(std::vector<std::uint32_t>());
    }
}

bool X11ConnectionWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    if (xcb_connection_has_error(connection_) != 0) {
        onLost_();
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if (ReportsTopLevelToRoot(event)) {
        // The toolkit acts on these only with RandR 1.5, to learn of changed monitors.
        return !haveMonitors_ || !MonitorsChanged();
    }
    if (AnnouncesScreens(event)) {
        CheckServerAnswers();
    }
    return false;
}

bool X11ConnectionWatch::ReportsTopLevelToRoot(const xcb_generic_event_t* event) const {
    if ((event->response_type & 0x7f) != XCB_CONFIGURE_NOTIFY) {
        return false;
    }
    const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
    return configure->window != configure->event && IsRoot(configure->event);
}

bool X11ConnectionWatch::AnnouncesScreens(const xcb_generic_event_t* event) const {
    const int type = event->response_type & 0x7f;
    if (type == XCB_CONFIGURE_NOTIFY) {
        const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        return IsRoot(configure->event);
    }
    return randrFirstEvent_ >= 0 && (type == randrFirstEvent_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                                     type == randrFirstEvent_ + XCB_RANDR_NOTIFY);
}

bool X11ConnectionWatch::IsRoot(xcb_window_t window) const {
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
         it.rem > 0; xcb_screen_next(&it)) {
        if (it.data->root == window) {
            return true;
        }
    }
    return false;
}

bool X11ConnectionWatch::MonitorsChanged() {
    std::optional<std::vector<std::uint32_t>> now = ReadMonitors();
    if (!now) {
        return true;  // unreadable here: the toolkit reads them itself, as it always did
    }
    if (*now == monitors_) {
        return false;
    }
    monitors_ = std::move(*now);
    return true;
}

// One round trip; with RandR 1.5 it also takes note of the monitors the toolkit is about to
// read, so the window manager's moves that follow do not make it read them again.
void X11ConnectionWatch::CheckServerAnswers() {
    if (haveMonitors_) {
        if (std::optional<std::vector<std::uint32_t>> now = ReadMonitors()) {
            monitors_ = std::move(*now);
        }
        return;
    }
    if (!XcbTake(connection_, xcb_get_input_focus(connection_), xcb_get_input_focus_reply)) {
        onLost_();
    }
}

// The monitors of the first screen as name, place, size and primary flag, or nothing when
// the server refused the request. No answer at all means the server is gone.
std::optional<std::vector<std::uint32_t>> X11ConnectionWatch::ReadMonitors() {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    xcb_generic_error_t* error = nullptr;
    const XcbReply<xcb_randr_get_monitors_reply_t> reply(xcb_randr_get_monitors_reply(
        connection_, xcb_randr_get_monitors(connection_, root, 1), &error));
    const XcbReply<xcb_generic_error_t> refused(error);
    if (!reply) {
        if (!refused) {
            onLost_();
        }
        return std::nullopt;
    }
    std::vector<std::uint32_t> out;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t* m = it.data;
        out.insert(out.end(), {m->name, m->primary, static_cast<std::uint32_t>(m->x),
                               static_cast<std::uint32_t>(m->y), m->width, m->height});
    }
    return out;
}
