// Access to Qt's own xcb connection and to the X events that reach the program. Every X11
// component of the backend goes through here; X types stay inside platform/x11.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Frees an xcb reply (or any malloc'd block) when it leaves scope.
struct XcbFree {
    void operator()(void* p) const noexcept;
};
template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;

class X11Context {
public:
    // Returns nullptr when the application does not run on Qt's xcb platform.
    static X11Context* Get();

    xcb_connection_t* Connection() const { return connection_; }
    xcb_screen_t* Screen() const { return screen_; }
    xcb_window_t Root() const { return screen_->root; }
    int ScreenNumber() const { return screenNumber_; }

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

    xcb_atom_t Atom(const char* name);

    bool Dispatch(xcb_generic_event_t* event);

private:
    X11Context(xcb_connection_t* connection, int screenNumber);

    struct Handler {
        int id;
        EventHandler fn;
    };
    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    int screenNumber_ = 0;
    int nextHandlerId_ = 1;
    std::vector<Handler> handlers_;
    std::vector<unsigned int> ignoredSequences_;
    class Filter;
    std::unique_ptr<Filter> filter_;
};
