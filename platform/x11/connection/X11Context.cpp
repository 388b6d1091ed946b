#include "platform/x11/connection/X11Context.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGlobal>

#include "platform/x11/connection/X11RenderThread.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

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

std::unique_ptr<X11Context> X11Context::OnToolkitConnection() {
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
    std::unique_ptr<X11Context> context(new X11Context(x11->connection(), screenNumber));
    // Removes itself from the event dispatcher when the context goes.
    context->filter_ = std::make_unique<Filter>(context.get());
    QCoreApplication::instance()->installNativeEventFilter(context->filter_.get());
    return context;
}

// The display named by $DISPLAY, which is where Qt connected too. A connection that lands
// on another server (a root window of another id) is refused.
std::unique_ptr<X11Context> X11Context::OpenBeside(X11Context& app) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<X11Context> own(new X11Context(connection, app.ScreenNumber()));
    own->app_ = &app;  // from here on the destructor closes the connection
    if (own->screen_ == nullptr || own->Root() != app.Root()) {
        return nullptr;
    }
    X11Context* raw = own.get();
    own->reader_ = std::make_unique<X11RenderThread>(
        connection, [raw](xcb_generic_event_t* event) { return raw->TakeFrame(event); },
        [raw](X11RenderThread::Batch& batch) {
            const std::lock_guard hold(raw->renderLock_);
            for (auto& event : batch) {
                raw->DispatchOwn(event.get());
            }
            // What the handlers asked for leaves now, as the reader's frames do.
            xcb_flush(raw->connection_);
        });
    return own;
}

// The reader stops before the connection closes under it (and before reader_ changes: the
// reader reads it when it lets go of the render lock).
X11Context::~X11Context() {
    if (reader_) {
        reader_->Stop();
    }
    reader_.reset();
    if (app_ != nullptr) {
        xcb_disconnect(connection_);
    }
}

// Qt reports the errors that reach it unhandled; on a connection of our own that is done
// here, in the same words, so a request that fails unexpectedly does not go unnoticed.
void X11Context::DispatchOwn(xcb_generic_event_t* event) {
    if (Dispatch(event) || event->response_type != 0) {
        return;
    }
    const auto* error = reinterpret_cast<const xcb_generic_error_t*>(event);
    qWarning(
        "Own X connection: XCB error: %d, sequence: %u, resource id: %u, major code: "
        "%d, minor code: %d",
        error->error_code, static_cast<unsigned>(error->full_sequence), error->resource_id,
        error->major_code, error->minor_code);
}

void X11RenderMutex::lock() {
    mutex_.lock();
    ++depth_;
}

void X11RenderMutex::unlock() {
    const bool last = --depth_ == 0;
    mutex_.unlock();
    if (last && released_) {
        released_();
    }
}

bool X11Context::TakeFrame(xcb_generic_event_t* event) {
    const std::lock_guard hold(renderLock_);
    return frameHandler_ && frameHandler_(event);
}

void X11Context::SetFrameHandler(EventHandler handler) {
    const std::lock_guard hold(renderLock_);
    frameHandler_ = std::move(handler);
}

void X11Context::WakeReader() {
    if (reader_) {
        reader_->Wake();
    }
}

void X11Context::Flush() {
    if (!ConnectionUsable()) {
        return;
    }
    xcb_flush(connection_);
    WakeReader();
}

void X11Context::RoundTrip() {
    if (!ConnectionUsable()) {
        return;
    }
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    WakeReader();
}

X11Context::X11Context(xcb_connection_t* connection, int screenNumber)
    : connection_(connection), screenNumber_(screenNumber) {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    resourceIdBase_ = setup->resource_id_base;
    resourceIdMask_ = setup->resource_id_mask;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    for (int i = 0; it.rem > 0; ++i, xcb_screen_next(&it)) {
        if (i == screenNumber_ || screen_ == nullptr) {
            screen_ = it.data;
        }
        if (i == screenNumber_) {
            break;
        }
    }
}

bool X11Context::ConnectionUsable() const {
    return QCoreApplication::instance() != nullptr && xcb_connection_has_error(connection_) == 0;
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
}

void X11Context::ForgetAnsweredSequences(unsigned int sequence) {
    // The server answers in request order: once an event or error of a later request has
    // arrived, an earlier request that has not failed by now never will.
    std::erase_if(ignoredSequences_, [sequence](unsigned int s) {
        return static_cast<std::int32_t>(sequence - s) > 0;
    });
}

void X11Context::AddEventMask(xcb_window_t window, std::uint32_t mask) {
    AddEventMask(std::vector<xcb_window_t>{window}, mask);
}

void X11Context::AddEventMask(const std::vector<xcb_window_t>& windows, std::uint32_t mask) {
    ChangeEventMask(windows, mask, 0);
}

void X11Context::RemoveEventMask(xcb_window_t window, std::uint32_t mask) {
    ChangeEventMask(std::vector<xcb_window_t>{window}, 0, mask);
}

void X11Context::ChangeEventMask(const std::vector<xcb_window_t>& windows, std::uint32_t add,
                                 std::uint32_t remove) {
    const auto replies = XcbTakeAll(connection_, windows, xcb_get_window_attributes,
                                    xcb_get_window_attributes_reply);
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const xcb_get_window_attributes_reply_t* attrs = replies[i].get();
        if (attrs == nullptr) {
            continue;  // gone already
        }
        const std::uint32_t wanted = (attrs->your_event_mask | add) & ~remove;
        if (wanted != attrs->your_event_mask) {
            // The window may vanish before the server gets this: that error is expected.
            IgnoreErrorOf(
                xcb_change_window_attributes(connection_, windows[i], XCB_CW_EVENT_MASK, &wanted)
                    .sequence);
        }
    }
    Flush();
}

std::vector<X11Context::AttributesReply> X11Context::DescribeAndSelect(
    const std::vector<xcb_window_t>& windows, std::uint32_t mask, const SelectIf& select) {
    std::vector<AttributesReply> out = XcbTakeAll(connection_, windows, xcb_get_window_attributes,
                                                  xcb_get_window_attributes_reply);
    bool changed = false;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        xcb_get_window_attributes_reply_t* attrs = out[i].get();
        if (attrs == nullptr || (select && !select(windows[i], *attrs))) {
            continue;
        }
        const std::uint32_t wanted = attrs->your_event_mask | mask;
        if (wanted != attrs->your_event_mask) {
            // The window may vanish before the server gets this: that error is expected.
            IgnoreErrorOf(
                xcb_change_window_attributes(connection_, windows[i], XCB_CW_EVENT_MASK, &wanted)
                    .sequence);
            attrs->your_event_mask = wanted;
            changed = true;
        }
    }
    if (changed) {
        Flush();
    }
    return out;
}

xcb_atom_t X11Context::Atom(const char* name) {
    if (auto it = atoms_.find(name); it != atoms_.end()) {
        return it->second;
    }
    InternAtoms({name});
    auto it = atoms_.find(name);
    return it == atoms_.end() ? static_cast<xcb_atom_t>(XCB_ATOM_NONE) : it->second;
}

void X11Context::InternAtoms(std::initializer_list<const char*> names) {
    std::vector<const char*> missing;
    for (const char* name : names) {
        if (atoms_.find(name) == atoms_.end()) {
            missing.push_back(name);
        }
    }
    auto intern = [](xcb_connection_t* c, const char* name) {
        return xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    };
    const auto replies = XcbTakeAll(connection_, missing, intern, xcb_intern_atom_reply);
    for (std::size_t i = 0; i < missing.size(); ++i) {
        if (replies[i] && replies[i]->atom != XCB_ATOM_NONE) {
            atoms_[missing[i]] = replies[i]->atom;
        }
    }
}

bool X11Context::Dispatch(xcb_generic_event_t* event) {
    const unsigned int sequence = event->full_sequence;
    if ((event->response_type & 0x7f) == 0) {
        auto it = std::find(ignoredSequences_.begin(), ignoredSequences_.end(), sequence);
        if (it != ignoredSequences_.end()) {
            ignoredSequences_.erase(it);
            ForgetAnsweredSequences(sequence);
            return true;
        }
    }
    ForgetAnsweredSequences(sequence);
    bool consumed = false;
    // Copy: a handler may add or remove handlers.
    const auto handlers = handlers_;
    for (const Handler& h : handlers) {
        consumed = h.fn(event) || consumed;
    }
    return consumed;
}
