#include "bench/frame_counter.h"

#include <xcb/damage.h>

#include <cstdlib>

DamageFrameCounter::DamageFrameCounter(const std::string& display, std::uint32_t window)
    : connection_(xcb_connect(display.c_str(), nullptr)) {
    if (xcb_connection_has_error(connection_) != 0) {
        return;
    }
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection_, &xcb_damage_id);
    if (extension == nullptr || extension->present == 0) {
        return;
    }
    damageEvent_ = extension->first_event;
    free(xcb_damage_query_version_reply(connection_, xcb_damage_query_version(connection_, 1, 1),
                                        nullptr));
    Watch(window);
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr);
    if (tree != nullptr) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            Watch(children[i]);
        }
        free(tree);
    }
    xcb_flush(connection_);
    ok_ = true;
}

DamageFrameCounter::~DamageFrameCounter() {
    for (const std::uint32_t damage : damages_) {
        xcb_damage_destroy(connection_, damage);
    }
    xcb_disconnect(connection_);
}

void DamageFrameCounter::Watch(std::uint32_t window) {
    const xcb_damage_damage_t damage = xcb_generate_id(connection_);
    xcb_damage_create(connection_, damage, window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    damages_.push_back(damage);
}

void DamageFrameCounter::Poll() {
    bool damaged = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        if ((event->response_type & 0x7f) == damageEvent_ + XCB_DAMAGE_NOTIFY) {
            ++frames_;
            damaged = true;
        }
        free(event);
    }
    if (damaged) {
        // Non-empty reports come again only once the damage is taken away.
        for (const std::uint32_t damage : damages_) {
            xcb_damage_subtract(connection_, damage, XCB_NONE, XCB_NONE);
        }
        xcb_flush(connection_);
    }
}
