#include "platform/wayland/PipeWireLoop.h"

#include <QSocketNotifier>

#include <pipewire/pipewire.h>

PipeWireLoop::PipeWireLoop() {
    pw_init(nullptr, nullptr);
    loop_ = pw_loop_new(nullptr);
    if (loop_ == nullptr) {
        return;
    }
    // Entered for its whole life by this thread: work PipeWire's own threads hand to the
    // loop (a stream's process callback) is queued for this thread. A loop that is not
    // entered runs such work at once on the thread that hands it over.
    pw_loop_enter(loop_);
    context_ = pw_context_new(loop_, nullptr, 0);
    notifier_ = std::make_unique<QSocketNotifier>(pw_loop_get_fd(loop_), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &PipeWireLoop::Iterate);
}

PipeWireLoop::~PipeWireLoop() {
    notifier_.reset();
    if (context_ != nullptr) {
        pw_context_destroy(context_);
    }
    if (loop_ != nullptr) {
        pw_loop_leave(loop_);
        pw_loop_destroy(loop_);
    }
}

void PipeWireLoop::Iterate() {
    if (loop_ == nullptr) {
        return;
    }
    pw_loop_iterate(loop_, 0);
}
