#include "platform/x11/thumbnails/X11ThumbEngine.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>

X11ThumbEngine::X11ThumbEngine(std::unique_ptr<X11Context> connection, X11Context& app)
    : connection_(std::move(connection)),
      context_(*connection_),
      app_(app),
      sources_(context_),
      flushContext_(std::make_unique<QObject>()) {
    handlerId_ =
        context_.AddEventHandler([this](xcb_generic_event_t* e) { return HandleEvent(e); });
    context_.SetFrameHandler([this](xcb_generic_event_t* e) { return TakeFrame(e); });
}

// The reader stops calling in first (it may be drawing right now: this waits for it).
X11ThumbEngine::~X11ThumbEngine() {
    context_.SetFrameHandler({});
    const std::lock_guard hold(context_.RenderLock());
    context_.RemoveEventHandler(handlerId_);
    views_.clear();
    sources_.Clear();
    if (context_.ConnectionUsable()) {
        xcb_flush(context_.Connection());
    }
}

X11RenderFormats& X11ThumbEngine::Formats() {
    if (!formats_) {
        formats_ = std::make_unique<X11RenderFormats>(context_.Connection());
    }
    return *formats_;
}

bool X11ThumbEngine::CompositionAvailable() {
    const std::lock_guard hold(context_.RenderLock());
    return Formats().Available();
}

X11ThumbView* X11ThumbEngine::FindView(Id handle) {
    auto it = views_.find(handle);
    return it == views_.end() ? nullptr : it->second.get();
}

X11ThumbSource* X11ThumbEngine::OpenSource(xcb_window_t window) {
    bool opened = false;
    X11ThumbSource* source = sources_.Open(Formats(), window, opened);
    if (opened && pointer_) {
        pointer_->Follow(window);
    }
    return source;
}

void X11ThumbEngine::DropSource(xcb_window_t window) {
    if (sources_.Drop(window) && pointer_) {
        pointer_->Unfollow(window);
    }
}

X11ThumbEngine::Id X11ThumbEngine::Register(xcb_window_t destination, xcb_window_t source) {
    const std::lock_guard hold(context_.RenderLock());
    if (!CompositionAvailable() || !context_.IsOwnResource(destination)) {
        return 0;
    }
    // The destination is Qt's, made on Qt's connection: the server must have it (and its
    // current size) before this connection names it.
    app_.RoundTrip();
    const std::optional<QSize> size = X11ThumbView::WindowSize(context_, destination);
    if (!size) {
        return 0;
    }
    sources_.WatchCompositingManager(Formats());
    SetPointerShown(pointerShown_);
    if (OpenSource(source) == nullptr) {
        return 0;
    }
    auto view = X11ThumbView::Create(context_, Formats(), destination, source, size->width(),
                                     size->height());
    if (!view) {
        DropSource(source);
        context_.Flush();
        return 0;
    }
    // The destination's size changes are followed through its ConfigureNotify.
    context_.AddEventMask(destination, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    view->WatchParent();
    const Id id = nextHandle_++;
    views_[id] = std::move(view);
    context_.Flush();
    return id;
}

std::optional<QSize> X11ThumbEngine::SourceSize(Id thumbnail) {
    const std::lock_guard hold(context_.RenderLock());
    X11ThumbView* view = FindView(thumbnail);
    const X11ThumbSource* source = view != nullptr ? LiveSource(view->Source()) : nullptr;
    if (source == nullptr) {
        return std::nullopt;
    }
    return QSize(source->width, source->height);
}

bool X11ThumbEngine::Place(Id thumbnail, const QRect& destination, bool visible) {
    const std::lock_guard hold(context_.RenderLock());
    X11ThumbView* view = FindView(thumbnail);
    if (view == nullptr) {
        return false;
    }
    view->rect = destination;
    view->visible = visible;
    view->pending = false;  // painted whole right here
    if (view->DestinationAlive()) {
        view->WatchParent();
        if (const std::optional<QSize> size =
                X11ThumbView::WindowSize(context_, view->Destination())) {
            view->Resize(size->width(), size->height());
        }
    }
    Paint(*view, true);
    context_.Flush();
    return true;
}

bool X11ThumbEngine::SetSource(Id thumbnail, const QRect& part, ImageTurn turn) {
    const std::lock_guard hold(context_.RenderLock());
    X11ThumbView* view = FindView(thumbnail);
    if (view == nullptr) {
        return false;
    }
    view->part = part;
    view->turn = turn;
    return true;
}

void X11ThumbEngine::OnSourceResized(Id thumbnail, std::function<void()> handler) {
    const std::lock_guard hold(context_.RenderLock());
    if (X11ThumbView* view = FindView(thumbnail)) {
        view->sourceResized = std::move(handler);
    }
}

// The pointer is followed from the first registration on, over every source.
void X11ThumbEngine::SetPointerShown(bool shown) {
    const std::lock_guard hold(context_.RenderLock());
    pointerShown_ = shown;
    const bool had = pointer_ != nullptr;
    if (!shown) {
        pointer_.reset();
    } else if (!pointer_ && formats_ && formats_->Available()) {
        pointer_ = std::make_unique<X11ThumbPointer>(context_, *formats_,
                                                     [this](xcb_window_t s) { Schedule(s); });
        for (const xcb_window_t window : sources_.Windows()) {
            pointer_->Follow(window);
        }
    }
    if (had == (pointer_ != nullptr)) {
        return;
    }
    // Drawn again with or without it.
    for (const xcb_window_t window : sources_.Windows()) {
        Schedule(window);
    }
}

void X11ThumbEngine::Unregister(Id thumbnail) {
    const std::lock_guard hold(context_.RenderLock());
    auto it = views_.find(thumbnail);
    if (it == views_.end()) {
        return;
    }
    const xcb_window_t source = it->second->Source();
    views_.erase(it);
    DropSource(source);
    context_.Flush();
}

// Without a picture (the source has gone) the buffer keeps the last image.
void X11ThumbEngine::Paint(X11ThumbView& view, bool clear) {
    X11ThumbSource* source = sources_.Find(view.Source());
    X11ThumbSourceSet::NameIfNeeded(source);
    const bool hasPicture = source != nullptr && source->Picture() != 0;
    if (view.Paint(source, clear && hasPicture, pointer_.get())) {
        ++framesDrawn_;
    }
}

void X11ThumbEngine::Schedule(xcb_window_t source) {
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

// The owners of a resized source place their image again (which repaints it); a handler
// may release thumbnails, so the views are looked up again for each call.
void X11ThumbEngine::NotifyResizedSources() {
    const std::vector<xcb_window_t> resized = sources_.TakeResized();
    std::vector<Id> told;
    for (auto& [handle, view] : views_) {
        if (view->sourceResized &&
            std::find(resized.begin(), resized.end(), view->Source()) != resized.end()) {
            told.push_back(handle);
        }
    }
    for (const Id handle : told) {
        if (X11ThumbView* view = FindView(handle); view != nullptr && view->sourceResized) {
            const std::function<void()> handler = view->sourceResized;
            handler();
        }
    }
}

void X11ThumbEngine::FlushPending() {
    const std::lock_guard hold(context_.RenderLock());
    flushScheduled_ = false;
    // Every source whose storage changed since the last turn is named here, once.
    sources_.NameAllIfNeeded();
    NotifyResizedSources();
    for (auto& [handle, view] : views_) {
        if (!view->pending) {
            continue;
        }
        view->pending = false;
        // The rectangle is unchanged, so the margins are too: only the image is drawn.
        Paint(*view, false);
    }
    context_.Flush();
}

// In the reader thread, with the lock held: a damage of a source whose picture is current,
// while no repaint waits for the main thread, is a frame drawn right here. Anything else
// goes the main thread's way.
bool X11ThumbEngine::TakeFrame(xcb_generic_event_t* event) {
    if (!formats_ || !formats_->Available() ||
        (event->response_type & 0x7f) != formats_->DamageFirstEvent() + XCB_DAMAGE_NOTIFY) {
        return false;
    }
    auto* notify = reinterpret_cast<xcb_damage_notify_event_t*>(event);
    const X11ThumbSource* source = sources_.FindByDamage(notify->damage);
    if (source == nullptr || source->needsName || source->resized || flushScheduled_) {
        return false;
    }
    return HandleDamage(event);
}

bool X11ThumbEngine::HandleDamage(xcb_generic_event_t* event) {
    auto* notify = reinterpret_cast<xcb_damage_notify_event_t*>(event);
    X11ThumbSource* source = sources_.FindByDamage(notify->damage);
    if (source == nullptr) {
        return false;
    }
    // The whole damage; errors are dropped, the window may be going right now.
    xcb_void_cookie_t cookie =
        xcb_damage_subtract_checked(context_.Connection(), notify->damage, 0, 0);
    xcb_discard_reply(context_.Connection(), cookie.sequence);
    DrawFrame(*source);
    return true;
}

// A new frame of a source whose picture is current is drawn at once: the damage was taken
// away first, so the next change reports again, and the requests leave with everything
// else in the one flush after this batch of events (the reader thread's, or the main
// thread's when the event came through it): subtraction and image go out together, in
// order, on this connection. A frame that needs more (a new picture, a
// new size) waits for the turn's repaint.
void X11ThumbEngine::DrawFrame(X11ThumbSource& source) {
    if (source.needsName || source.resized || flushScheduled_) {
        Schedule(source.Window());
        return;
    }
    for (auto& [handle, view] : views_) {
        if (view->Source() == source.Window()) {
            Paint(*view, false);
        }
    }
}

X11ThumbSource* X11ThumbEngine::LiveSource(xcb_window_t window) {
    X11ThumbSource* source = sources_.Find(window);
    return source != nullptr && source->alive ? source : nullptr;
}
