#include "platform/x11/connection/X11RenderThread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

X11RenderThread::X11RenderThread(xcb_connection_t* connection,
                                 std::function<bool(xcb_generic_event_t*)> take,
                                 std::function<void(Batch&)> deliver)
    : connection_(connection),
      take_(std::move(take)),
      deliver_(std::move(deliver)),
      wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      receiver_(std::make_unique<QObject>()) {
    if (wakeFd_ < 0) {
        std::perror("vantrel: eventfd");
        running_ = false;
        return;
    }
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QObject::connect(app, &QObject::destroyed, receiver_.get(), [this] { Stop(); });
    }
    thread_ = std::thread([this] { Run(); });
}

X11RenderThread::~X11RenderThread() {
    Stop();
    if (wakeFd_ >= 0) {
        close(wakeFd_);
    }
}

void X11RenderThread::Stop() {
    stop_.store(true, std::memory_order_release);
    Wake();
    if (thread_.joinable()) {
        thread_.join();
    }
}

namespace {

// A change of a window that frames drawn after it must not go ahead of.
bool HoldsFrames(const xcb_generic_event_t* event) {
    switch (event->response_type & 0x7f) {
        case XCB_CONFIGURE_NOTIFY:
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_REPARENT_NOTIFY:
        case XCB_DESTROY_NOTIFY:
        case XCB_VISIBILITY_NOTIFY:
            return true;
        default:
            return false;
    }
}

}  // namespace

void X11RenderThread::Wake() {
    if (wakeFd_ < 0 || std::this_thread::get_id() == thread_.get_id()) {
        return;
    }
    const std::uint64_t one = 1;
    // A full counter (EAGAIN) already wakes the thread.
    [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof one);
}

// A broken connection leaves the socket readable (end of file) for good: the thread ends
// there instead of spinning on it.
void X11RenderThread::Run() {
    pollfd fds[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    for (;;) {
        Drain();
        if (stop_.load(std::memory_order_acquire) || xcb_connection_has_error(connection_) != 0) {
            break;
        }
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            std::perror("vantrel: poll on the X connection");
            break;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = read(wakeFd_, &count, sizeof count);
        }
    }
    running_.store(false, std::memory_order_release);
}

// Everything xcb has or can read now; the requests made for it leave in one flush.
void X11RenderThread::Drain() {
    Batch batch;
    bool held = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        if (!held && holding_.load(std::memory_order_acquire) == 0 && take_(event)) {
            std::free(event);
            continue;
        }
        held = held || HoldsFrames(event);
        batch.emplace_back(event);
    }
    xcb_flush(connection_);
    if (!batch.empty()) {
        Post(std::move(batch), held);
    }
}

void X11RenderThread::Post(Batch batch, bool holdsFrames) {
    if (holdsFrames) {
        holding_.fetch_add(1, std::memory_order_acq_rel);
    }
    auto shared = std::make_shared<Batch>(std::move(batch));
    QMetaObject::invokeMethod(
        receiver_.get(),
        [this, shared, holdsFrames] {
            deliver_(*shared);
            if (holdsFrames) {
                holding_.fetch_sub(1, std::memory_order_acq_rel);
            }
        },
        Qt::QueuedConnection);
}
