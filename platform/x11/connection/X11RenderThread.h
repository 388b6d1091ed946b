// Reads the events of an xcb connection of the program's own in a thread of its own, in a
// bare poll() on the connection's socket. Each event is first offered to a callback that
// runs right there (the thumbnails draw a new frame with it, without a turn of Qt's event
// loop); the others are handed to the main thread in batches, in the order the server sent
// them. While a window's structure event (configure, map, unmap, reparent, destroy) waits
// for the main thread, later events join it instead of being taken here: nothing is drawn
// from a window whose change the main thread has not seen yet. Other events (exposures,
// pointer motion, errors) hold nothing up. No timer: a connection on which nothing arrives
// costs nothing.
#pragma once

#include <xcb/xcb.h>

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/x11/connection/X11Reply.h"

class X11RenderThread {
  public:
    using Batch = std::vector<XcbReply<xcb_generic_event_t>>;
    // take runs in the reader thread and returns true when it dealt with the event;
    // deliver runs in the main thread (the thread that makes this object) with the rest.
    X11RenderThread(xcb_connection_t* connection, std::function<bool(xcb_generic_event_t*)> take,
                    std::function<void(Batch&)> deliver);
    // Stops and joins the thread; batches not yet delivered are dropped.
    ~X11RenderThread();
    // The same, ahead of time: also when the application object ends, since the windows
    // frames are drawn into went with it and no event loop hands out batches any more.
    void Stop();
    X11RenderThread(const X11RenderThread&) = delete;
    X11RenderThread& operator=(const X11RenderThread&) = delete;

    // Makes the thread look at xcb's queue: events another thread's wait for a reply read
    // from the socket sit there, where poll() does not see them. Does nothing when called
    // from the reader thread itself, which looks there anyway.
    void Wake();
    // False once the thread has ended (stopped, or the connection broke).
    bool Running() const { return running_.load(std::memory_order_acquire); }

  private:
    void Run();
    void Drain();
    void Post(Batch batch, bool holdsFrames);

    xcb_connection_t* connection_;
    std::function<bool(xcb_generic_event_t*)> take_;
    std::function<void(Batch&)> deliver_;
    int wakeFd_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{true};
    // Batches with a structure event posted to the main thread and not yet delivered.
    std::atomic<int> holding_{0};
    // Lives in the main thread; queued deliveries die with it.
    std::unique_ptr<QObject> receiver_;
    std::thread thread_;
};
