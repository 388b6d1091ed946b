#include "platform/x11/X11Context.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

void XcbFree::operator()(void* p) const noexcept {
    std::free(p);
}

class X11Context::Filter : public QAbstractNativeEventFilter {
public:
    explicit Filter(X11Context* context) : context_(context) {}
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") {
            return false;
        }
        return context_->Dispatch(static_cast<xcb_generic_event_t*>(message));
    }

private:
    X11Context* context_;
};

X11Context* X11Context::Get() {
    static X11Context* instance = nullptr;
    if (instance != nullptr) {
        return instance;
    }
    auto* app = qGuiApp;
    if (app == nullptr) {
        return nullptr;
    }
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return nullptr;
    }
    // The default screen of the connection: Qt opened it with $DISPLAY.
    int screenNumber = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        if (const char* dot = std::strrchr(display, '.'); dot && std::strchr(dot, ':') == nullptr) {
            screenNumber = std::atoi(dot + 1);
        }
    }
    instance = new X11Context(x11->connection(), screenNumber);  // lives for the process
    return instance;
}

X11Context::X11Context(xcb_connection_t* connection, int screenNumber)
    : connection_(connection), screenNumber_(screenNumber) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; it.rem > 0; ++i, xcb_screen_next(&it)) {
        if (i == screenNumber_ || screen_ == nullptr) {
            screen_ = it.data;
        }
        if (i == screenNumber_) {
            break;
        }
    }
    filter_ = std::make_unique<Filter>(this);
    QCoreApplication::instance()->installNativeEventFilter(filter_.get());
}

int X11Context::AddEventHandler(EventHandler handler) {
    const int id = nextHandlerId_++;
    handlers_.push_back({id, std::move(handler)});
    return id;
}

void X11Context::RemoveEventHandler(int id) {
    std::erase_if(handlers_, [id](const Handler& h) { return h.id == id; });
}

void X11Context::IgnoreErrorOf(unsigned int sequence) {
    ignoredSequences_.push_back(sequence);
    // Keep the list short: sequences far behind the connection's are long answered.
    if (ignoredSequences_.size() > 4096) {
        ignoredSequences_.erase(ignoredSequences_.begin(), ignoredSequences_.begin() + 2048);
    }
}

void X11Context::AddEventMask(xcb_window_t window, std::uint32_t mask) {
    XcbReply<xcb_get_window_attributes_reply_t> attrs(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr));
    if (!attrs) {
        return;
    }
    const std::uint32_t wanted = attrs->your_event_mask | mask;
    if (wanted != attrs->your_event_mask) {
        xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &wanted);
    }
}

xcb_atom_t X11Context::Atom(const char* name) {
    static std::map<std::string, xcb_atom_t> cache;
    if (auto it = cache.find(name); it != cache.end()) {
        return it->second;
    }
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr));
    const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    if (atom != XCB_ATOM_NONE) {
        cache[name] = atom;
    }
    return atom;
}

bool X11Context::Dispatch(xcb_generic_event_t* event) {
    if ((event->response_type & 0x7f) == 0) {
        const unsigned int sequence = event->sequence;
        // Error sequences are 16 bits on the wire; compare the low bits.
        auto it = std::find_if(ignoredSequences_.begin(), ignoredSequences_.end(),
                               [sequence](unsigned int s) { return (s & 0xffff) == sequence; });
        if (it != ignoredSequences_.end()) {
            ignoredSequences_.erase(it);
            return true;
        }
    }
    bool consumed = false;
    // Copy: a handler may add or remove handlers.
    const auto handlers = handlers_;
    for (const Handler& h : handlers) {
        consumed = h.fn(event) || consumed;
    }
    return consumed;
}
