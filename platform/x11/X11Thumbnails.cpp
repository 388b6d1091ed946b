#include "platform/x11/X11Thumbnails.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <xcb/composite.h>
#include <xcb/xfixes.h>

#include <string>

X11Thumbnails::X11Thumbnails(X11Context& context)
    : context_(context), flushContext_(std::make_unique<QObject>()) {
    handlerId_ =
        context_.AddEventHandler([this](xcb_generic_event_t* e) { return HandleEvent(e); });
}

X11Thumbnails::~X11Thumbnails() {
    context_.RemoveEventHandler(handlerId_);
    // After the application object has gone, so has Qt's connection; the server then freed
    // every resource of ours when the connection closed.
    if (QCoreApplication::instance() == nullptr) {
        return;
    }
    while (!views_.empty()) {
        Unregister(views_.begin()->first);
    }
    xcb_flush(context_.Connection());
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
    return it == sources_.end() ? nullptr : &it->second;
}

X11ThumbView* X11Thumbnails::FindView(ThumbnailHandle handle) {
    auto it = views_.find(handle);
    return it == views_.end() ? nullptr : &it->second;
}

bool X11Thumbnails::DestinationSize(xcb_window_t destination, int& width, int& height) {
    xcb_connection_t* c = context_.Connection();
    XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, destination), nullptr));
    if (!geometry) {
        return false;
    }
    width = geometry->width;
    height = geometry->height;
    return true;
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

HResult X11Thumbnails::OpenSource(xcb_window_t window) {
    if (X11ThumbSource* existing = FindSource(window)) {
        if (!existing->alive) {
            return kResultInvalidHandle;
        }
        existing->registrations += 1;
        return kResultOk;
    }
    X11ThumbSource source;
    const HResult result = OpenThumbSource(context_, Render(), window, source);
    if (result != kResultOk) {
        return result;
    }
    source.registrations = 1;
    sources_[window] = source;
    return kResultOk;
}

void X11Thumbnails::DropSource(xcb_window_t window) {
    X11ThumbSource* source = FindSource(window);
    if (source == nullptr) {
        return;
    }
    source->registrations -= 1;
    if (source->registrations <= 0) {
        ReleaseThumbSource(context_, *source, true);
        sources_.erase(window);
    }
}

HResult X11Thumbnails::Register(WindowHandle destination, WindowHandle source,
                                ThumbnailHandle* thumbnail) {
    if (thumbnail == nullptr) {
        return kResultInvalidArg;
    }
    *thumbnail = 0;
    if (!CompositionAvailable()) {
        return kResultFail;
    }
    xcb_connection_t* c = context_.Connection();
    int width = 0;
    int height = 0;
    if (!IsOwnWindow(c, destination) || !DestinationSize(destination, width, height)) {
        return kResultInvalidArg;
    }
    WatchCompositingManager();
    if (const HResult result = OpenSource(source); result != kResultOk) {
        return result;
    }
    X11ThumbView view;
    view.handle = nextHandle_++;
    view.destination = destination;
    view.source = source;
    if (!CreateThumbView(context_, Render(), view, width, height)) {
        DropSource(source);
        xcb_flush(c);
        return kResultFail;
    }
    // The destination's size changes are followed through its ConfigureNotify.
    context_.AddEventMask(destination, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    views_[view.handle] = view;
    *thumbnail = view.handle;
    xcb_flush(c);
    return kResultOk;
}

HResult X11Thumbnails::QuerySourceSize(ThumbnailHandle thumbnail, PixelSize* size) {
    X11ThumbView* view = FindView(thumbnail);
    if (view == nullptr || size == nullptr) {
        return view == nullptr ? kResultInvalidHandle : kResultInvalidArg;
    }
    const X11ThumbSource* source = FindSource(view->source);
    if (source == nullptr || !source->alive) {
        return kResultFail;
    }
    *size = {source->width, source->height};
    return kResultOk;
}

HResult X11Thumbnails::Update(ThumbnailHandle thumbnail, const ThumbnailProperties& properties) {
    X11ThumbView* view = FindView(thumbnail);
    if (view == nullptr) {
        return kResultInvalidHandle;
    }
    if (properties.flags & kThumbnailRectDestination) {
        view->rect = properties.destination;
    }
    if (properties.flags & kThumbnailVisible) {
        view->visible = properties.visible;
    }
    int width = 0;
    int height = 0;
    if (view->destinationAlive && DestinationSize(view->destination, width, height)) {
        ResizeThumbView(context_, Render(), *view, width, height);
    }
    X11ThumbSource* source = FindSource(view->source);
    NameIfNeeded(source);
    // Without a picture (the source has gone) the buffer keeps the last image.
    const bool hasPicture = source != nullptr && source->picture != 0;
    PaintThumbView(context_, *view, source, hasPicture);
    xcb_flush(context_.Connection());
    return kResultOk;
}

HResult X11Thumbnails::Unregister(ThumbnailHandle thumbnail) {
    X11ThumbView* view = FindView(thumbnail);
    if (view == nullptr) {
        return kResultInvalidHandle;
    }
    const xcb_window_t source = view->source;
    DestroyThumbView(context_, *view);
    views_.erase(thumbnail);
    DropSource(source);
    xcb_flush(context_.Connection());
    return kResultOk;
}

void X11Thumbnails::Schedule(xcb_window_t source) {
    for (auto& [handle, view] : views_) {
        if (view.source == source) {
            view.pending = true;
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
        NameThumbSourcePixmap(context_, *source);
    }
}

void X11Thumbnails::FlushPending() {
    flushScheduled_ = false;
    // Every source whose storage changed since the last turn is named here, once.
    for (auto& [window, source] : sources_) {
        NameIfNeeded(&source);
    }
    for (auto& [handle, view] : views_) {
        if (!view.pending) {
            continue;
        }
        view.pending = false;
        // The rectangle is unchanged, so the margins are too: only the image is drawn.
        PaintThumbView(context_, view, FindSource(view.source), false);
    }
    xcb_flush(context_.Connection());
}

void X11Thumbnails::RenameAll() {
    for (auto& [window, source] : sources_) {
        if (source.alive && source.mapped) {
            source.needsName = true;
            Schedule(window);
        }
    }
}

bool X11Thumbnails::HandleDamage(xcb_generic_event_t* event) {
    auto* notify = reinterpret_cast<xcb_damage_notify_event_t*>(event);
    for (auto& [window, source] : sources_) {
        if (source.damage == notify->damage && source.alive) {
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

void X11Thumbnails::HandleConfigure(const xcb_configure_notify_event_t& event) {
    if (X11ThumbSource* source = FindSource(event.window); source != nullptr && source->alive) {
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
    for (auto& [handle, view] : views_) {
        if (view.destination == event.window && view.destinationAlive &&
            ResizeThumbView(context_, Render(), view, event.width, event.height)) {
            X11ThumbSource* source = FindSource(view.source);
            NameIfNeeded(source);
            PaintThumbView(context_, view, source, source != nullptr && source->picture != 0);
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
        ReleaseThumbSource(context_, *source, false);
        source->alive = false;
        source->mapped = false;
    }
    for (auto& [handle, view] : views_) {
        if (view.destination == window) {
            view.destinationAlive = false;
        }
    }
}

bool X11Thumbnails::HandleExpose(const xcb_expose_event_t& event) {
    for (const auto& [handle, view] : views_) {
        if (view.child == event.window) {
            PresentThumbView(context_, view, event.x, event.y, event.width, event.height);
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
                HandleConfigure(*e);
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
