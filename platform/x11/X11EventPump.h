// Reads the events of an xcb connection of the program's own in the main thread: a socket
// notifier wakes the event loop when the server has sent something, and everything xcb has
// then is handed out at once, followed by one flush of the requests the handlers made. No
// thread and no timer: a connection on which nothing arrives costs nothing.
#pragma once

#include <xcb/xcb.h>

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

class X11EventPump {
  public:
    // dispatch sees each event and error once, in the order the server sent them.
    X11EventPump(xcb_connection_t* connection, std::function<void(xcb_generic_event_t*)> dispatch);
    X11EventPump(const X11EventPump&) = delete;
    X11EventPump& operator=(const X11EventPump&) = delete;

    // Hands out every event xcb has read or can read now, then flushes. A call from inside
    // a handler does nothing: the running drain goes on until the queue is empty.
    void Drain();
    // Events may wait in xcb's queue where the notifier cannot see them (xcb reads the
    // socket while it waits for a reply): they are handed out on the next event-loop turn.
    void DrainSoon();
    bool Draining() const { return draining_; }

  private:
    bool Broken();

    xcb_connection_t* connection_;
    std::function<void(xcb_generic_event_t*)> dispatch_;
    QSocketNotifier notifier_;
    bool draining_ = false;
    bool drainQueued_ = false;
    // Context object of the queued drain: queued calls die with it.
    std::unique_ptr<QObject> queue_;
};
