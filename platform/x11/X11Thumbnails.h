// Live thumbnails drawn by the X server: the source is redirected, its pixmap named and
// rendered scaled into the destination window with XRender on every damage. The program
// copies no pixels and runs no timer; a source that does not change costs nothing.
#pragma once

#include <QObject>

#include <map>
#include <memory>

#include "platform/Platform.h"
#include "platform/x11/X11Context.h"
#include "platform/x11/X11ThumbRender.h"
#include "platform/x11/X11ThumbSource.h"
#include "platform/x11/X11ThumbView.h"

class X11Thumbnails {
  public:
    explicit X11Thumbnails(X11Context& context);
    ~X11Thumbnails();
    X11Thumbnails(const X11Thumbnails&) = delete;
    X11Thumbnails& operator=(const X11Thumbnails&) = delete;

    bool CompositionAvailable();
    HResult Register(WindowHandle destination, WindowHandle source, ThumbnailHandle* thumbnail);
    HResult QuerySourceSize(ThumbnailHandle thumbnail, PixelSize* size);
    HResult Update(ThumbnailHandle thumbnail, const ThumbnailProperties& properties);
    HResult Unregister(ThumbnailHandle thumbnail);

  private:
    X11ThumbRender& Render();
    bool HandleEvent(xcb_generic_event_t* event);
    bool HandleDamage(xcb_generic_event_t* event);
    void HandleConfigure(const xcb_configure_notify_event_t& event);
    void HandleMap(xcb_window_t window, bool mapped);
    void HandleDestroy(xcb_window_t window);
    bool HandleExpose(const xcb_expose_event_t& event);
    void RenameAll();
    HResult OpenSource(xcb_window_t window);
    void DropSource(xcb_window_t window);
    bool DestinationSize(xcb_window_t destination, int& width, int& height);
    void WatchCompositingManager();
    void Schedule(xcb_window_t source);
    void FlushPending();
    void NameIfNeeded(X11ThumbSource* source);
    X11ThumbSource* FindSource(xcb_window_t window);
    X11ThumbView* FindView(ThumbnailHandle handle);

    X11Context& context_;
    std::unique_ptr<X11ThumbRender> render_;
    std::map<xcb_window_t, X11ThumbSource> sources_;
    std::map<ThumbnailHandle, X11ThumbView> views_;
    ThumbnailHandle nextHandle_ = 1;
    int handlerId_ = 0;
    bool flushScheduled_ = false;
    bool watchingManager_ = false;
    xcb_atom_t managerSelection_ = 0;
    // Context object of the queued repaint: queued calls die with it.
    std::unique_ptr<QObject> flushContext_;
};
