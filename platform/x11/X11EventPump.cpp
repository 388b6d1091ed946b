#include "platform/x11/X11EventPump.h"

#include <QMetaObject>

#include <cstdlib>

X11EventPump::X11EventPump(xcb_connection_t* connection,
                           std::function<void(xcb_generic_event_t*)> dispatch)
    : connection_(connection),
      dispatch_(std::move(dispatch)),
      notifier_(xcb_get_file_descriptor(connection), QSocketNotifier::Read),
      queue_(std::make_unique<QObject>()) {
    QObject::connect(&notifier_, &QSocketNotifier::activated, queue_.get(), [this] { Drain(); });
}

// A broken connection stays readable (end of file) for good: the notifier is switched off,
// or the event loop would spin on it.
bool X11EventPump::Broken() {
    if (xcb_connection_has_error(connection_) == 0) {
        return false;
    }
    notifier_.setEnabled(false);
    return true;
}

void X11EventPump::Drain() {
    if (draining_ || Broken()) {
        return;
    }
    draining_ = true;
    // One read of the socket; events that handlers' round trips bring in join the queue and
    // are taken from there. The flush at the end may read more, hence the last look.
    xcb_generic_event_t* event = xcb_poll_for_event(connection_);
    for (;;) {
        if (event == nullptr) {
            xcb_flush(connection_);
            event = xcb_poll_for_queued_event(connection_);
            if (event == nullptr) {
                break;
            }
        }
        dispatch_(event);
        std::free(event);
        event = xcb_poll_for_queued_event(connection_);
    }
    draining_ = false;
    Broken();
}

void X11EventPump::DrainSoon() {
    if (drainQueued_) {
        return;
    }
    drainQueued_ = true;
    QMetaObject::invokeMethod(
        queue_.get(),
        [this] {
            drainQueued_ = false;
            Drain();
        },
        Qt::QueuedConnection);
}
