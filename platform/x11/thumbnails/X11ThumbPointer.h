// The pointer over the thumbnails' sources: while it is inside one of them, the thumbnails
// of that source draw it where it is on the source, in its current shape.
//
// Nothing is watched that costs a wake-up while the pointer is elsewhere or still: the
// sources report Enter and Leave; only while the pointer is inside one is raw motion
// selected on the root (XInput 2), and each turn of the event loop that brought motion
// asks the server once, asynchronously, where the pointer is. The shape is fetched when
// XFixes reports a change of cursor, uploaded once into a picture, and composited by the
// server over the image; the program copies no pixels.
#pragma once

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <QObject>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>

#include "platform/CloneGeometry.h"
#include "platform/x11/connection/X11Context.h"
#include "platform/x11/connection/X11Owned.h"
#include "platform/x11/thumbnails/X11RenderFormats.h"

class X11ThumbPointer {
  public:
    // moved runs (from the event loop) with a source whose thumbnails must be drawn again:
    // the pointer entered, left, moved over it or changed shape there.
    X11ThumbPointer(X11Context& context, const X11RenderFormats& formats,
                    std::function<void(xcb_window_t)> moved);
    ~X11ThumbPointer();
    X11ThumbPointer(const X11ThumbPointer&) = delete;
    X11ThumbPointer& operator=(const X11ThumbPointer&) = delete;

    // The sources to follow; the set of those with thumbnails.
    void Follow(xcb_window_t source);
    void Unfollow(xcb_window_t source);

    // Composites the pointer into target over an image of source drawn into rect (which shows
    // the part of the source, turned), within clip, its hot spot where the pointer's place
    // shows, scaled and turned with the image. Nothing when the pointer is elsewhere
    // (outside the part too) or its shape is not known.
    void Draw(xcb_window_t source, const QRect& part, ImageTurn turn, xcb_render_picture_t target,
              const QRect& rect, const QRect& clip) const;

  private:
    bool HandleEvent(xcb_generic_event_t* event);
    void Enter(xcb_window_t source, QPoint position);
    void Leave(xcb_window_t source);
    void SelectMotion(bool on);
    void SelectCursorChanges(bool on);
    using Answer = void (X11ThumbPointer::*)(const xcb_query_pointer_reply_t*);
    void AskPointer(xcb_window_t window, xcb_query_pointer_cookie_t& pending, Answer take);
    void AskPosition();
    void TakePosition(const xcb_query_pointer_reply_t* reply);
    void Probe();
    void ProbeAt(xcb_window_t window);
    void TakeProbe(const xcb_query_pointer_reply_t* reply);
    void FetchShape();
    bool Upload(int width, int height, const std::uint32_t* pixels);

    X11Context& context_;
    const X11RenderFormats& formats_;
    std::function<void(xcb_window_t)> moved_;
    int handlerId_ = 0;
    std::uint8_t inputOpcode_ = 0;  // XInput 2's major opcode; 0 without it
    std::set<xcb_window_t> sources_;
    xcb_window_t inside_ = 0;  // the source the pointer is in, or 0
    QPoint position_;          // in that source's client coordinates
    bool motionSelected_ = false;
    bool cursorSelected_ = false;
    bool asking_ = false;      // a position query is on its way
    bool moreMotion_ = false;  // motion arrived after it was sent
    xcb_query_pointer_cookie_t ask_{};
    // Whether the pointer is over a source already when it is followed: no crossing tells.
    // The pointer's window is sought from the root down, one asynchronous query a level.
    bool probing_ = false;
    bool probeAgain_ = false;  // a source was followed while a probe was on its way
    bool crossed_ = false;     // a crossing came meanwhile and tells more than the probe
    int probeDepth_ = 0;
    xcb_window_t probed_ = 0;
    xcb_query_pointer_cookie_t probe_{};
    std::uint32_t shapeSerial_ = 0;
    QRect shape_;  // the image's size and, as its position, minus the hot spot
    OwnedPixmap shapePixmap_;
    OwnedPicture shapePicture_;
    // Context object of the queued position reading: queued calls die with it.
    std::unique_ptr<QObject> queue_;
};
