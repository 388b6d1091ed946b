// Access to an xcb connection and to the X events that reach the program through it: Qt's
// own connection, or one the program opens beside it for a component that sends many
// requests of its own (the thumbnails). Every X11 component of the backend goes through
// here; X types stay inside platform/x11.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/x11/connection/X11Reply.h"

// A structure event another client sent with SendEvent (the server sets the top bit of its
// type). Anyone may send these with any content: a forged DestroyNotify or a made-up size
// says nothing about the window, so the program's bookkeeping ignores them. (Window
// managers send such ConfigureNotify events after every move; the real ones come as well.)
inline bool IsForgedStructureEvent(const xcb_generic_event_t* event) {
    if ((event->response_type & 0x80) == 0) {
        return false;
    }
    switch (event->response_type & 0x7f) {
        case XCB_CREATE_NOTIFY:
        case XCB_DESTROY_NOTIFY:
        case XCB_CONFIGURE_NOTIFY:
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_REPARENT_NOTIFY:
            return true;
        default:
            return false;
    }
}

class X11RenderThread;

// The lock of what the reader thread's frame handler reads (see X11Context::RenderLock).
// Recursive: handlers call back into their owners. When another thread than the reader
// lets go of it for the last time, released runs: replies that thread waited for while it
// held the lock may have brought events into xcb's queue, where the reader's poll() does
// not see them.
class X11RenderMutex {
  public:
    explicit X11RenderMutex(std::function<void()> released) : released_(std::move(released)) {}
    void lock();
    void unlock();

  private:
    std::recursive_mutex mutex_;
    int depth_ = 0;  // only touched by the holder
    std::function<void()> released_;
};

class X11Context {
  public:
    // A context on Qt's own connection, which it does not close; its handlers see the
    // events Qt reads. Null when the application does not run on Qt's xcb platform.
    static std::unique_ptr<X11Context> OnToolkitConnection();
    // A connection of the program's own to the display and screen of app, closed with the
    // returned object. Its events are read by a thread of its own as they arrive: the frame
    // handler may take them there; the others go to this context's handlers in the main
    // thread, in order; errors nobody expected are reported on stderr. Null when that
    // display cannot be reached.
    static std::unique_ptr<X11Context> OpenBeside(X11Context& app);
    ~X11Context();
    X11Context(const X11Context&) = delete;
    X11Context& operator=(const X11Context&) = delete;

    xcb_connection_t* Connection() const { return connection_; }
    xcb_screen_t* Screen() const { return screen_; }
    xcb_window_t Root() const { return screen_->root; }
    int ScreenNumber() const { return screenNumber_; }
    // False once the application object has ended (it closed the connection) or the
    // connection broke: requests are then pointless, the server freed our resources.
    bool ConnectionUsable() const;

    // True for a window created by the program: through this connection, or through the
    // application's when this one was opened beside it. The server hands every client a
    // private range of resource ids (base | any bits of mask), so no other client can make
    // a window that falls into ours: unlike _NET_WM_PID, this test cannot be faked.
    bool IsOwnResource(std::uint32_t id) const {
        return (id & ~resourceIdMask_) == resourceIdBase_ ||
               (app_ != nullptr && app_->IsOwnResource(id));
    }

    // Sends the buffered requests. On a connection of the program's own, events xcb read
    // meanwhile (while it waited for a reply) are handed out soon after.
    void Flush();
    // Returns once the server has handled every request sent so far on this connection:
    // what another connection asks afterwards sees their effects (one round trip).
    void RoundTrip();

    // Handlers see every X event and error before Qt does. A handler returns true to hide
    // the event from Qt (only for events the program itself asked for).
    using EventHandler = std::function<bool(xcb_generic_event_t*)>;
    int AddEventHandler(EventHandler handler);
    void RemoveEventHandler(int id);

    // Errors of unchecked requests whose failure is expected (a source window that may have
    // vanished) are dropped quietly: call this with the request's cookie sequence.
    void IgnoreErrorOf(unsigned int sequence);

    // Adds bits to this client's event mask on a window without dropping the ones Qt chose.
    void AddEventMask(xcb_window_t window, std::uint32_t mask);
    // The same for many windows at the cost of one round trip. Windows that no longer
    // exist are skipped without an error reaching anyone.
    void AddEventMask(const std::vector<xcb_window_t>& windows, std::uint32_t mask);
    // Takes bits off this client's event mask on a window, keeping the others.
    void RemoveEventMask(xcb_window_t window, std::uint32_t mask);
    // Reads the attributes of many windows in one round trip and adds mask to this client's
    // event mask on those for which select holds (all of them when select is empty). Returns
    // the attributes in order, null for a window that no longer exists; your_event_mask shows
    // the mask after the change. Requests sent afterwards reach the server after the change,
    // so what they read is watched from then on.
    using AttributesReply = XcbReply<xcb_get_window_attributes_reply_t>;
    using SelectIf = std::function<bool(xcb_window_t, const xcb_get_window_attributes_reply_t&)>;
    std::vector<AttributesReply> DescribeAndSelect(const std::vector<xcb_window_t>& windows,
                                                   std::uint32_t mask, const SelectIf& select = {});

    xcb_atom_t Atom(const char* name);
    // Interns several atoms in one round trip, so later Atom() calls answer from the cache.
    void InternAtoms(std::initializer_list<const char*> names);

    bool Dispatch(xcb_generic_event_t* event);

    // On a connection of the program's own: handler sees each event in the reader thread,
    // with RenderLock() held, as long as no earlier event still waits for the main thread;
    // it returns true when it dealt with the event, which then goes nowhere else. An empty
    // handler takes nothing; once this returns, the previous one is not running.
    void SetFrameHandler(EventHandler handler);
    // Held by the reader thread while the frame handler runs, and by the main thread while
    // it hands out this connection's events. Whatever the frame handler reads, the main
    // thread changes only while holding it.
    X11RenderMutex& RenderLock() { return renderLock_; }

  private:
    X11Context(xcb_connection_t* connection, int screenNumber);
    void DispatchOwn(xcb_generic_event_t* event);
    bool TakeFrame(xcb_generic_event_t* event);
    void WakeReader();
    void ChangeEventMask(const std::vector<xcb_window_t>& windows, std::uint32_t add,
                         std::uint32_t remove);
    void ForgetAnsweredSequences(unsigned int sequence);

    struct Handler {
        int id;
        EventHandler fn;
    };
    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    int screenNumber_ = 0;
    std::uint32_t resourceIdBase_ = 0;
    std::uint32_t resourceIdMask_ = 0;
    int nextHandlerId_ = 1;
    std::vector<Handler> handlers_;
    std::vector<unsigned int> ignoredSequences_;
    std::map<std::string, xcb_atom_t> atoms_;
    class Filter;
    std::unique_ptr<Filter> filter_;
    // Set on a connection opened beside the application's: that one, and the reader.
    X11Context* app_ = nullptr;
    X11RenderMutex renderLock_{[this] { WakeReader(); }};
    EventHandler frameHandler_;
    std::unique_ptr<X11RenderThread> reader_;
};
