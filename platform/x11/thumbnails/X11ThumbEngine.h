// Live thumbnails drawn by the X server: the source is redirected, its pixmap named and
// rendered scaled into the destination window with XRender on every damage, at once. The
// program copies no pixels and runs no timer; a source that does not change costs nothing.
//
// They talk to the server over a connection of their own whose reader thread draws a new
// frame itself: a damage event comes straight from the socket to TakeFrame, with no turn
// of Qt's event loop, and the damage's subtraction and the new image leave together, in
// order, on that one connection. Every other event reaches HandleEvent in the main thread.
// The two threads share the thumbnails' state under the connection's RenderLock(): every
// public function and every queued call here takes it, so a frame never sees half a
// change, and a thumbnail is never freed while a frame draws it.
//
// The image follows the destination's size as the server reports it. Window managers
// differ in how they tell a client of its new size (some send only a synthetic
// ConfigureNotify after the real one, and Qt drops a queued real one when a later one for
// the same window follows), so any configure of the destination or of its frame, real or
// synthetic, makes the thumbnail read the destination's size from the server; so does
// every Place. A source's own configures are trusted only when real.
#pragma once

#include <QObject>
#include <QRect>
#include <QSize>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "platform/x11/connection/X11Context.h"
#include "platform/x11/thumbnails/X11RenderFormats.h"
#include "platform/x11/thumbnails/X11ThumbPointer.h"
#include "platform/x11/thumbnails/X11ThumbSource.h"
#include "platform/x11/thumbnails/X11ThumbSourceSet.h"
#include "platform/x11/thumbnails/X11ThumbView.h"

class X11ThumbEngine {
  public:
    using Id = std::uint32_t;

    // Every request and event of the thumbnails goes through connection, a connection of
    // their own beside app (Qt's), which keeps the windows the thumbnails are drawn into.
    X11ThumbEngine(std::unique_ptr<X11Context> connection, X11Context& app);
    ~X11ThumbEngine();
    X11ThumbEngine(const X11ThumbEngine&) = delete;
    X11ThumbEngine& operator=(const X11ThumbEngine&) = delete;

    bool CompositionAvailable();
    // A thumbnail of source into destination (a window of this connection); 0 on failure.
    Id Register(xcb_window_t destination, xcb_window_t source);
    std::optional<QSize> SourceSize(Id thumbnail);
    bool Place(Id thumbnail, const QRect& destination, bool visible);
    // The part of the source drawn and its turn, from the next Place on.
    bool SetSource(Id thumbnail, const QRect& part, ImageTurn turn);
    void Unregister(Id thumbnail);
    // handler runs in the repaint of the turn in which the thumbnail's source was resized
    // or mapped again; the size is current by then.
    void OnSourceResized(Id thumbnail, std::function<void()> handler);
    // The pointer drawn over the images of the source it is over.
    void SetPointerShown(bool shown);
    // How many images have been composited into this object's thumbnails, for benchmarks.
    std::uint64_t FramesDrawn() const { return framesDrawn_.load(std::memory_order_relaxed); }
    X11Context& Connection() { return context_; }

  private:
    X11RenderFormats& Formats();
    bool HandleEvent(xcb_generic_event_t* event);
    bool TakeFrame(xcb_generic_event_t* event);
    bool HandleDamage(xcb_generic_event_t* event);
    void DrawFrame(X11ThumbSource& source);
    void HandleDestinationConfigure(xcb_window_t window);
    void HandleDestroy(xcb_window_t window);
    void HandleReparent(xcb_window_t window);
    bool HandleExpose(const xcb_expose_event_t& event);
    void RenameAll();
    X11ThumbSource* OpenSource(xcb_window_t window);
    // The source of window, unless the window is destroyed.
    X11ThumbSource* LiveSource(xcb_window_t window);
    void DropSource(xcb_window_t window);
    void FollowDestination(X11ThumbView& view);
    void Schedule(xcb_window_t source);
    void FlushPending();
    void NotifyResizedSources();
    void Paint(X11ThumbView& view, bool clear);
    X11ThumbView* FindView(Id handle);

    // Declared first, closed last: everything below frees its resources through it.
    std::unique_ptr<X11Context> connection_;
    X11Context& context_;
    X11Context& app_;
    std::unique_ptr<X11RenderFormats> formats_;
    std::unique_ptr<X11ThumbPointer> pointer_;
    bool pointerShown_ = true;
    X11ThumbSourceSet sources_;
    std::map<Id, std::unique_ptr<X11ThumbView>> views_;
    Id nextHandle_ = 1;
    int handlerId_ = 0;
    bool flushScheduled_ = false;
    std::atomic<std::uint64_t> framesDrawn_{0};
    // Context object of the queued repaint: queued calls die with it.
    std::unique_ptr<QObject> flushContext_;
};
