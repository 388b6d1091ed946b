#include "platform/x11/X11Thumbnails.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <xcb/xfixes.h>

#include <string>

X11Thumbnails::X11Thumbnails(X11Context& context)
    : context_(context), flushContext_(std::make_unique<QObject>()) {
    handlerId_ =
        context_.AddEventHandler([this](xcb_generic_event_t* e) { return HandleEvent(e); });
}

X11Thumbnails::~X11Thumbnails() {
    context_.RemoveEventHandler(handlerId_);
    views_.clear();
    sources_.clear();
    if (context_.ConnectionUsable()) {
        xcb_flush(context_.Connection());
    }
}

X11ThumbRender& X11Thumbnails::Render() {
    if (!render_) {
        render_ = std::make_unique<X11ThumbRender>(context_.Connection());
    }
    return *render_;
}

bool X11Thumbnails::CompositionAvailable() {
    return Render().Available();
}

X11ThumbSource* X11Thumbnails::FindSource(xcb_window_t window) {
    auto it = sources_.find(window);
    return it == sources_.end() ? nullptr : it->second.get();
}

X11ThumbView* X11Thumbnails::FindView(Id handle) {
    auto it = views_.find(handle);
    return it == views_.end() ? nullptr : it->second.get();
}

std::optional<QSize> X11Thumbnails::DestinationSize(xcb_window_t destination) {
    xcb_connection_t* c = context_.Connection();
    auto geometry = XcbTake(c, xcb_get_geometry(c, destination), xcb_get_geometry_reply);
    if (!geometry) {
        return std::nullopt;
    }
    return QSize(geometry->width, geometry->height);
}

// A new compositing manager takes over the windows' storage: the named pixmaps then show
// stale contents, so every source is named again when the selection changes hands.
void X11Thumbnails::WatchCompositingManager() {
    if (watchingManager_ || !Render().HasXFixes()) {
        return;
    }
    watchingManager_ = true;
    const std::string name = "_NET_WM_CM_S" + std::to_string(context_.ScreenNumber());
    managerSelection_ = context_.Atom(name.c_str());
    if (managerSelection_ == XCB_NONE) {
        return;
    }
    xcb_xfixes_select_selection_input(context_.Connection(), context_.Root(), managerSelection_,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
}

X11ThumbSource* X11Thumbnails::OpenSource(xcb_window_t window) {
    if (X11ThumbSource* existing = FindSource(window)) {
        if (!existing->alive) {
            return nullptr;
        }
        existing->registrations += 1;
        return existing;
    }
    auto source = X11ThumbSource::Open(context_, Render(), window);
    if (!source) {
        return nullptr;
    }
    source->registrations = 1;
    X11ThumbSource* out = source.get();
    sources_[window] = std::move(source);
    return out;
}

void X11Thumbnails::DropSource(xcb_window_t window) {
    X11ThumbSource* source = FindSource(window);
    if (source != nullptr && --source->registrations <= 0) {
        sources_.erase(window);
    }
}

// The window manager's frame around the destination reports its resizes; a destination
// straight on the root needs no such help.
void X11Thumbnails::WatchParent(X11ThumbView& view) {
    xcb_connection_t* c = context_.Connection();
    auto tree = XcbTake(c, xcb_query_tree(c, view.Destination()), xcb_query_tree_reply);
    if (!tree || tree->parent == view.watchedParent) {
        return;
    }
    view.watchedParent = tree->parent == context_.Root() ? xcb_window_t{0} : tree->parent;
    if (view.watchedParent != 0 && !context_.IsOwnResource(view.watchedParent)) {
        context_.AddEventMask(view.watchedParent, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    }
}

X11Thumbnails::Id X11Thumbnails::Register(xcb_window_t destination, xcb_window_t source) {
    if (!CompositionAvailable() || !context_.IsOwnResource(destination)) {
        return 0;
    }
    const std::optional<QSize> size = DestinationSize(destination);
    if (!size) {
        return 0;
    }
    WatchCompositingManager();
    if (OpenSource(source) == nullptr) {
        return 0;
    }
    auto view = X11ThumbView::Create(context_, Render(), destination, source, size->width(),
                                     size->height());
    if (!view) {
        DropSource(source);
        xcb_flush(context_.Connection());
        return 0;
    }
    // The destination's size changes are followed through its ConfigureNotify.
    context_.AddEventMask(destination, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    WatchParent(*view);
    const Id id = nextHandle_++;
    views_[id] = std::move(view);
    xcb_flush(context_.Connection());
    return id;
}

std::optional<QSize> X11Thumbnails::SourceSize(Id thumbnail) {
    X11ThumbView* view = FindView(thumbnail);
    const X11ThumbSource* source = view != nullptr ? FindSource(view->Source()) : nullptr;
    if (source == nullptr || !source->alive) {
        return std::nullopt;
    }
    return QSize(source->width, source->height);
}

bool X11Thumbnails::Place(Id thumbnail, const QRect& destination, bool visible) {
    X11ThumbView* view = FindView(thumbnail);
    if (view == nullptr) {
        return false;
    }
    view->rect = destination;
    view->visible = visible;
    if (view->DestinationAlive()) {
        WatchParent(*view);
        if (const std::optional<QSize> size = DestinationSize(view->Destination())) {
            view->Resize(size->width(), size->height());
        }
    }
    Paint(*view, true);
    xcb_flush(context_.Connection());
    return true;
}

void X11Thumbnails::Unregister(Id thumbnail) {
    auto it = views_.find(thumbnail);
    if (it == views_.end()) {
        return;
    }
    const xcb_window_t source = it->second->Source();
    views_.erase(it);
    DropSource(source);
    if (context_.ConnectionUsable()) {
        xcb_flush(context_.Connection());
    }
}

// Without a picture (the source has gone) the buffer keeps the last image.
void X11Thumbnails::Paint(X11ThumbView& view, bool clear) {
    X11ThumbSource* source = FindSource(view.Source());
    NameIfNeeded(source);
    const bool hasPicture = source != nullptr && source->Picture() != 0;
    if (view.Paint(source, clear && hasPicture)) {
        ++framesDrawn_;
    }
}

void X11Thumbnails::Schedule(xcb_window_t source) {
    for (auto& [handle, view] : views_) {
        if (view->Source() == source) {
            view->pending = true;
        }
    }
    if (flushScheduled_) {
        return;
    }
    flushScheduled_ = true;
    // One repaint per event-loop turn, however many damage events the turn brought.
    QMetaObject::invokeMethod(
        flushContext_.get(), [this] { FlushPending(); }, Qt::QueuedConnection);
}

// Names the source's pixmap when a resize, a map or a new compositing manager gave it new
// storage since the last naming (two checked round trips, so only then).
void X11Thumbnails::NameIfNeeded(X11ThumbSource* source) {
    if (source != nullptr && source->alive && source->mapped && source->needsName) {
        source->NamePixmap();
    }
}

void X11Thumbnails::FlushPending() {
    flushScheduled_ = false;
    // Every source whose storage changed since the last turn is named here, once.
    for (auto& [window, source] : sources_) {
        NameIfNeeded(source.get());
    }
    for (auto& [handle, view] : views_) {
        if (!view->pending) {
            continue;
        }
        view->pending = false;
        // The rectangle is unchanged, so the margins are too: only the image is drawn.
        Paint(*view, false);
    }
    xcb_flush(context_.Connection());
}

void X11Thumbnails::RenameAll() {
    for (auto& [window, source] : sources_) {
        if (source->alive && source->mapped) {
            source->needsName = true;
            Schedule(window);
        }
    }
}

bool X11Thumbnails::HandleDamage(xcb_generic_event_t* event) {
    auto* notify = reinterpret_cast<xcb_damage_notify_event_t*>(event);
    for (auto& [window, source] : sources_) {
        if (source->Damage() == notify->damage && source->alive) {
            // The whole damage; errors are dropped, the window may be going right now.
            xcb_void_cookie_t cookie =
                xcb_damage_subtract_checked(context_.Connection(), notify->damage, 0, 0);
            xcb_discard_reply(context_.Connection(), cookie.sequence);
            Schedule(window);
            return true;
        }
    }
    return false;
}

void X11Thumbnails::HandleSourceConfigure(const xcb_configure_notify_event_t& event) {
    X11ThumbSource* source = FindSource(event.window);
    if (source == nullptr || !source->alive) {
        return;
    }
    const bool resized = event.width != source->width || event.height != source->height ||
                         event.border_width != source->border;
    source->width = event.width;
    source->height = event.height;
    source->border = event.border_width;
    if (resized) {
        // Named again once, before the next paint (FlushPending, or a paint before it).
        source->needsName = true;
        Schedule(event.window);
    }
}

// The event's own size is not used: a synthetic event may carry anything, and a real one
// may be stale by now. The server's answer is current.
void X11Thumbnails::HandleDestinationConfigure(xcb_window_t window) {
    for (auto& [handle, view] : views_) {
        if (!view->DestinationAlive() ||
            (view->Destination() != window && view->watchedParent != window)) {
            continue;
        }
        const std::optional<QSize> size = DestinationSize(view->Destination());
        if (size && view->Resize(size->width(), size->height())) {
            Paint(*view, true);
            xcb_flush(context_.Connection());
        }
    }
}

void X11Thumbnails::HandleReparent(const xcb_reparent_notify_event_t& event) {
    for (auto& [handle, view] : views_) {
        if (view->Destination() == event.window && view->DestinationAlive()) {
            WatchParent(*view);
        }
    }
}

void X11Thumbnails::HandleMap(xcb_window_t window, bool mapped) {
    X11ThumbSource* source = FindSource(window);
    if (source == nullptr || !source->alive) {
        return;
    }
    source->mapped = mapped;
    if (mapped) {
        // Each map gives the window new storage: it is named again (or a failed naming
        // retried) before the next paint.
        source->needsName = true;
        Schedule(window);
    }
}

void X11Thumbnails::HandleDestroy(xcb_window_t window) {
    if (X11ThumbSource* source = FindSource(window); source != nullptr && source->alive) {
        // The views keep their last image in the back buffer until they are unregistered.
        source->WindowDestroyed();
    }
    for (auto& [handle, view] : views_) {
        if (view->Destination() == window) {
            view->DestinationDestroyed();
        }
    }
}

bool X11Thumbnails::HandleExpose(const xcb_expose_event_t& event) {
    for (const auto& [handle, view] : views_) {
        if (view->Child() == event.window) {
            view->Present(event.x, event.y, event.width, event.height);
            xcb_flush(context_.Connection());
            return true;
        }
    }
    return false;
}

bool X11Thumbnails::HandleEvent(xcb_generic_event_t* event) {
    if (!render_ || !render_->Available()) {
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
    if (type == render_->DamageFirstEvent() + XCB_DAMAGE_NOTIFY) {
        return HandleDamage(event);
    }
    if (render_->HasXFixes() && type == render_->XFixesFirstEvent() + XCB_XFIXES_SELECTION_NOTIFY) {
        auto* notify = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->selection == managerSelection_) {
            RenameAll();
            return true;
        }
        return false;
    }
    switch (type) {
        case XCB_CONFIGURE_NOTIFY: {
            auto* e = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            if (e->event == e->window) {
                HandleSourceConfigure(*e);
                HandleDestinationConfigure(e->window);
            }
            return false;
        }
        case XCB_REPARENT_NOTIFY: {
            auto* e = reinterpret_cast<xcb_reparent_notify_event_t*>(event);
            if (e->event == e->window) {
                HandleReparent(*e);
            }
            return false;
        }
        case XCB_MAP_NOTIFY: {
            auto* e = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (e->event == e->window) {
                HandleMap(e->window, true);
            }
            return false;
        }
        case XCB_UNMAP_NOTIFY: {
            auto* e = reinterpret_cast<xcb_unmap_notify_event_t*>(event);
            if (e->event == e->window) {
                HandleMap(e->window, false);
            }
            return false;
        }
        case XCB_DESTROY_NOTIFY: {
            auto* e = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
            if (e->event == e->window) {
                HandleDestroy(e->window);
            }
            return false;
        }
        case XCB_EXPOSE:
            return HandleExpose(*reinterpret_cast<xcb_expose_event_t*>(event));
        default:
            return false;
    }
}
