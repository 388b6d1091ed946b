// The thumbnails' events in the main thread: the structure changes of sources and
// destinations, exposures of the images' windows and a new compositing manager.
#include "platform/x11/thumbnails/X11ThumbEngine.h"

#include <xcb/xfixes.h>

namespace {

// Whether a structure event was reported to the window it is about (not to its parent);
// window is set to that window.
template <typename Event>
bool ToItself(const Event* event, xcb_window_t& window) {
    window = event->window;
    return event->event == event->window;
}

}  // namespace

void X11ThumbEngine::RenameAll() {
    for (const xcb_window_t window : sources_.MarkAllForRenaming()) {
        Schedule(window);
    }
}

// The event's own size is not used: a synthetic event may carry anything, and a real one
// may be stale by now. The server's answer is current.
void X11ThumbEngine::HandleDestinationConfigure(xcb_window_t window) {
    for (auto& [handle, view] : views_) {
        if (!view->DestinationAlive() ||
            (view->Destination() != window && view->watchedParent != window)) {
            continue;
        }
        const std::optional<QSize> size = X11ThumbView::WindowSize(context_, view->Destination());
        if (size && view->Resize(size->width(), size->height())) {
            Paint(*view, true);
            context_.Flush();
        }
    }
}

void X11ThumbEngine::HandleReparent(xcb_window_t window) {
    for (auto& [handle, view] : views_) {
        if (view->Destination() == window && view->DestinationAlive()) {
            view->WatchParent();
        }
    }
}

void X11ThumbEngine::HandleDestroy(xcb_window_t window) {
    if (X11ThumbSource* source = LiveSource(window)) {
        // The views keep their last image in the back buffer until they are unregistered;
        // the named pixmap still holds it now.
        for (auto& [handle, view] : views_) {
            if (view->Source() == window) {
                view->KeepLastImage(source);
            }
        }
        source->WindowDestroyed();
        if (pointer_) {
            pointer_->Unfollow(window);  // no Leave comes from a destroyed window
        }
    }
    for (auto& [handle, view] : views_) {
        if (view->Destination() == window) {
            view->DestinationDestroyed();
        }
    }
}

bool X11ThumbEngine::HandleExpose(const xcb_expose_event_t& event) {
    for (const auto& [handle, view] : views_) {
        if (view->Child() == event.window) {
            view->Repair(LiveSource(view->Source()), pointer_.get(), event.x, event.y, event.width,
                         event.height);
            context_.Flush();
            return true;
        }
    }
    return false;
}

bool X11ThumbEngine::HandleEvent(xcb_generic_event_t* event) {
    if (!formats_ || !formats_->Available()) {
        return false;
    }
    const std::uint8_t type = event->response_type & 0x7f;
    if (IsForgedStructureEvent(event)) {
        // Only a reason to ask the server about the destination's size; never believed.
        if (type == XCB_CONFIGURE_NOTIFY) {
            HandleDestinationConfigure(
                reinterpret_cast<xcb_configure_notify_event_t*>(event)->window);
        }
        return false;
    }
    if (type == formats_->DamageFirstEvent() + XCB_DAMAGE_NOTIFY) {
        return HandleDamage(event);
    }
    if (formats_->HasXFixes() &&
        type == formats_->XFixesFirstEvent() + XCB_XFIXES_SELECTION_NOTIFY) {
        auto* notify = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->selection == sources_.ManagerSelection()) {
            RenameAll();
            return true;
        }
        return false;
    }
    xcb_window_t window = XCB_WINDOW_NONE;
    switch (type) {
        case XCB_CONFIGURE_NOTIFY: {
            auto* e = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            if (ToItself(e, window)) {
                X11ThumbSource* source = LiveSource(window);
                if (source != nullptr && source->Configured(e->width, e->height, e->border_width)) {
                    Schedule(window);
                }
                HandleDestinationConfigure(window);
            }
            return false;
        }
        case XCB_REPARENT_NOTIFY:
            if (ToItself(reinterpret_cast<xcb_reparent_notify_event_t*>(event), window)) {
                HandleReparent(window);
            }
            return false;
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY: {
            // Both events have the same layout.
            auto* e = reinterpret_cast<xcb_map_notify_event_t*>(event);
            X11ThumbSource* source = ToItself(e, window) ? LiveSource(window) : nullptr;
            if (source != nullptr && source->Mapped(type == XCB_MAP_NOTIFY)) {
                Schedule(window);
            }
            return false;
        }
        case XCB_VISIBILITY_NOTIFY:
            // Sent when the source becomes viewable again, also when a window manager mapped
            // its frame (or a workspace) rather than the source itself: the storage is new.
            if (X11ThumbSource* source =
                    LiveSource(reinterpret_cast<xcb_visibility_notify_event_t*>(event)->window)) {
                source->Shown();
                Schedule(source->Window());
            }
            return false;
        case XCB_DESTROY_NOTIFY:
            if (ToItself(reinterpret_cast<xcb_destroy_notify_event_t*>(event), window)) {
                HandleDestroy(window);
            }
            return false;
        case XCB_EXPOSE:
            return HandleExpose(*reinterpret_cast<xcb_expose_event_t*>(event));
        default:
            return false;
    }
}
